// Writes the parameter lists of the README and the manual pages from the
// parameter table, so that they never drift from what the plug-ins show:
// in each file, the lines between a marker line that holds
// "parameters: all" (or "parameters: " and a page's title in lower case)
// and the next line that holds "end of parameters" are replaced, as a
// Markdown table in a .md file, as manual-page paragraphs elsewhere.
//
//     make_docs [--check] FILE...
//
// With --check nothing is written: it says which files are stale and
// exits with 1 if any is.
#include "ParameterTable.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string trimmed(std::string s)
{
    s.erase(0, s.find_first_not_of(' '));
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// A text with the parameter's unit where its display leaves the unit out.
std::string withUnit(const ParameterSpec& p, std::string text)
{
    text = trimmed(text);
    if (p.editorSuffix && text.find(p.editorSuffix) == std::string::npos)
        text += std::string(" ") + p.editorSuffix;
    else if (p.unit == ParameterUnit::Hertz && text.find("Hz") == std::string::npos)
        text += " Hz";
    return text;
}

// The VST 2 text, the other parameters at their defaults.
std::string vst2Text(std::int32_t index, float x)
{
    std::array<float, kNumParameters> values{};
    for (std::int32_t i = 0; i < kNumParameters; ++i)
        values[static_cast<size_t>(i)] = parameter(i).defaultValue;
    values[static_cast<size_t>(index)] = x;
    char text[256] = {};
    formatParameterDisplay(index, x, displayStateOf(values), text, Dialect::vst2);
    return withUnit(parameter(index), text);
}

// "low to high (default)", or the choices and the default one, as the
// formats we design show them; with `vst2`, as the VST 2 plug-in shows them.
std::string range(std::int32_t index, bool vst2 = false)
{
    const ParameterSpec& p = parameter(index);
    const auto shown = [&](float x) { return vst2 ? vst2Text(index, x) : withUnit(p, shownText(index, x)); };
    std::string out;
    if (!p.choices.empty()) {
        for (const ParameterChoice& c : p.choices)
            out += (out.empty() ? "" : ", ") + shown(c.value);
    } else {
        out = shown(0.0f) + " to " + shown(1.0f);
    }
    return out + " (" + shown(p.defaultValue) + ")";
}

bool onPage(std::int32_t index, const std::string& page)
{
    const Page at = parameter(index).placement.page;
    return page == "all" || (at != Page::first && lower(kPageTitles[static_cast<int>(at)]) == page);
}

std::string markdown(const std::string& page)
{
    std::ostringstream out;
    if (page == "all") {
        out << "| # | parameter | symbol | range (default) | the VST 2 plug-in | what it does |\n"
            << "|---|---|---|---|---|---|\n";
    } else {
        out << "| parameter | range (default) | what it does |\n|---|---|---|\n";
    }
    for (std::int32_t i = 0; i < kNumParameters; ++i) {
        if (!onPage(i, page))
            continue;
        const ParameterSpec& p = parameter(i);
        if (page != "all") {
            out << "| " << p.title << " | " << range(i) << " | " << p.summary << " |\n";
            continue;
        }
        const std::string vst2 = p.formats == Formats::designed ? "absent"
                                 : !p.format                  ? "shows no text"
                                 : range(i, true) == range(i) ? "the same"
                                                              : "shows " + range(i, true);
        out << "| " << i << " | " << p.title << " | `" << p.symbol << "` | " << range(i) << " | " << vst2 << " | "
            << p.summary << " |\n";
    }
    return out.str();
}

// Manual-page text: a backslash doubled, a leading dot or quote escaped, a hyphen as a minus.
std::string roff(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\''))
        out = "\\&" + out;
    return out;
}

std::string manual(const std::string& page)
{
    std::ostringstream out;
    for (std::int32_t i = 0; i < kNumParameters; ++i) {
        if (!onPage(i, page))
            continue;
        const ParameterSpec& p = parameter(i);
        out << ".TP\n.B " << roff(p.title) << "\n"
            << roff(range(i)) << (p.formats == Formats::designed ? ", not in the VST 2 plug-in" : "") << ": "
            << roff(p.summary) << ".\n";
    }
    return out.str();
}

// The file with every block replaced; nothing if it cannot be read.
std::optional<std::string> updated(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        return std::nullopt;
    const bool md = path.size() > 3 && path.substr(path.size() - 3) == ".md";
    std::ostringstream out;
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (inside && line.find("end of parameters") != std::string::npos)
            inside = false;
        if (inside)
            continue;
        out << line << "\n";
        const size_t at = line.find("parameters: ");
        if (at != std::string::npos && line.find("end of parameters") == std::string::npos) {
            std::string page = line.substr(at + 12);
            page = page.substr(0, page.find_first_of(" -"));
            out << (md ? markdown(page) : manual(page));
            inside = true;
        }
    }
    return out.str();
}

}  // namespace

int main(int argc, char** argv)
{
    const bool check = argc > 1 && std::string(argv[1]) == "--check";
    if (argc < (check ? 3 : 2)) {
        std::fprintf(stderr, "usage: make_docs [--check] FILE...\n");
        return 2;
    }
    int stale = 0;
    for (int i = check ? 2 : 1; i < argc; ++i) {
        const std::string path = argv[i];
        const std::optional<std::string> text = updated(path);
        if (!text) {
            std::fprintf(stderr, "make_docs: cannot read %s\n", path.c_str());
            return 2;
        }
        std::ifstream in(path);
        const std::string current((std::istreambuf_iterator<char>(in)), {});
        if (current == *text)
            continue;
        if (check) {
            std::fprintf(stderr, "%s: its parameter list is stale; ./run docs writes it from the parameter table\n",
                         path.c_str());
            ++stale;
        } else if (!(std::ofstream(path) << *text)) {
            std::fprintf(stderr, "make_docs: cannot write %s\n", path.c_str());
            return 2;
        }
    }
    return stale > 0 ? 1 : 0;
}
