// vocoder-render as users run it: a separate process, its files, its exit
// code and its messages.
#include "BuiltInRender.h"
#include "TestHost.h"
#include "presets/FactoryPresets.h"
#include "tools/VoiceMatch.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Result {
    int code;
    std::string output;  // standard output and standard error
};

// A shell command line, its output and exit code.
Result runCommand(const std::string& commandLine)
{
    const std::string command = commandLine + " 2>&1";
    Result result{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[512];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe))
        result.output += buffer;
    const int status = pipe ? pclose(pipe) : -1;
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

Result runRender(const std::string& arguments) { return runCommand(std::string(VOCODER_RENDER_PATH) + " " + arguments); }

void writeWav(const fs::path& path, const std::vector<float>& samples, int rate = 44100, int channels = 1)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / static_cast<size_t>(channels)));
    sf_close(file);
}

// Each channel's samples.
std::vector<std::vector<float>> readChannels(const fs::path& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << path;
    if (!file)
        return {};
    std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    const auto channels = static_cast<size_t>(info.channels);
    std::vector<std::vector<float>> out(channels, std::vector<float>(samples.size() / channels));
    for (size_t i = 0; i < samples.size(); ++i)
        out[i % channels][i / channels] = samples[i];
    return out;
}

// The samples, a stereo file's channels mixed by their mean.
std::vector<float> readWav(const fs::path& path)
{
    std::vector<std::vector<float>> channels = readChannels(path);
    if (channels.size() == 2)
        for (size_t i = 0; i < channels[0].size(); ++i)
            channels[0][i] = 0.5f * (channels[0][i] + channels[1][i]);
    return channels.empty() ? std::vector<float>{} : channels[0];
}

class RenderCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("render-cli-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string at(const std::string& name) const { return (dir / name).string(); }
    fs::path dir;
};

std::vector<float> noise(size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-0.3f, 0.3f);
    std::vector<float> x(n);
    for (float& v : x)
        v = uniform(random);
    return x;
}

// A type 0 file: 120 beats a minute, 60 from tick 480 on, a note at tick 960
// (0.5 s + 1 s = 1.5 s), 480 ticks a beat.
void writeTempoChangeMidi(const fs::path& path)
{
    const unsigned char track[] = {
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // 500000 µs a beat
        0x83, 0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  // after 480 ticks: 1000000 µs
        0x83, 0x60, 0x90, 60, 100,                  // after 480 more: note on
        0x83, 0x60, 0x80, 60, 0,                    // note off
        0x00, 0xFF, 0x2F, 0x00};
    std::ofstream out(path, std::ios::binary);
    const unsigned char header[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
                                    'M', 'T', 'r', 'k', 0, 0, 0, static_cast<unsigned char>(sizeof track)};
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    out.write(reinterpret_cast<const char*>(track), sizeof track);
}

}  // namespace

TEST_F(RenderCli, RendersWhatTheTestHostRenders)
{
    const auto voice = noise(44100, 1);
    std::vector<float> carrier(44100), stereo(2 * 44100);
    for (size_t i = 0; i < carrier.size(); ++i) {
        carrier[i] = static_cast<float>(0.3 * std::sin(0.03 * static_cast<double>(i)));
        stereo[2 * i] = stereo[2 * i + 1] = carrier[i];  // mixed to mono: the same signal
    }
    writeWav(dir / "voice.wav", voice);
    writeWav(dir / "carrier.wav", stereo, 44100, 2);
    const Result result = runRender("--quiet --format float --block 256 --set \"HOP SIZE=64\" --modulator " +
                                    at("voice.wav") + " --carrier " + at("carrier.wav") + " -o " + at("out.wav"));
    ASSERT_EQ(result.code, 0) << result.output;
    EXPECT_NE(result.output.find("dBFS"), std::string::npos);
    const auto rendered = readWav(dir / "out.wav");

    TestHost host;
    AEffect* e = host.create();
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    host.dispatch(effSetBlockSize, 0, 256);
    e->setParameter(e, 25, 1.0f);
    e->setParameter(e, 27, 0.4f);
    host.dispatch(effMainsChanged, 0, 1);
    std::vector<float> expected(voice.size()), spare(256);
    for (size_t start = 0; start < voice.size(); start += 256) {
        const auto frames = static_cast<VstInt32>(std::min<size_t>(256, voice.size() - start));
        std::vector<float> a(voice.begin() + static_cast<long>(start), voice.begin() + static_cast<long>(start) + frames);
        std::vector<float> b(carrier.begin() + static_cast<long>(start), carrier.begin() + static_cast<long>(start) + frames);
        float* inputs[] = {a.data(), b.data()};
        float* outputs[] = {expected.data() + start, spare.data()};
        e->processReplacing(e, inputs, outputs, frames);
    }
    EXPECT_EQ(rendered, expected);
}

// The Clear engine's settings play in the built-in engine, in stereo when
// Width spreads the bands, as the engine renders them; so does the
// synthesiser following the voice, with no notes and no carrier file.
TEST_F(RenderCli, RendersTheClearEngineAndTrackingAsTheEngineDoes)
{
    const Signals in = testSignals(44100);
    writeWav(dir / "voice.wav", in.voice);
    writeWav(dir / "carrier.wav", in.carrier);
    for (const Scenario& s : {clearScenario(), trackingScenario()}) {
        std::string settings;
        for (const auto& [index, value] : s.settings)
            settings += " --set " + std::to_string(index) + "=" + std::to_string(value);
        const bool audio = s.settings.front() == std::pair{static_cast<int>(kCarrier), 1.0f};
        const Result result = runRender("--quiet --format float --block 256" + settings + " --modulator " +
                                        at("voice.wav") + (audio ? " --carrier " + at("carrier.wav") : "") + " -o " +
                                        at("out.wav"));
        ASSERT_EQ(result.code, 0) << result.output;
        const std::vector<std::vector<float>> rendered = readChannels(dir / "out.wav");
        ASSERT_EQ(rendered.size(), 2u);
        const Stereo expected = renderBuiltIn(s, in, 256);
        EXPECT_LT(largestDifference(rendered[0], expected.left), 1e-6f);
        EXPECT_LT(largestDifference(rendered[1], expected.right), 1e-6f);
    }
}

TEST_F(RenderCli, MidiNotesSoundAtTheirSampleUnderTempoChanges)
{
    writeWav(dir / "silence.wav", std::vector<float>(2 * 44100));
    writeTempoChangeMidi(dir / "tempo.mid");
    const Result result = runRender("--quiet --format float --set Mode=Carrier --set \"OSC 1=0.6\" --set \"OSC 2 Volume=0\""
                                    " --set \"Low Cut=0\" --modulator " + at("silence.wav") + " --midi " +
                                    at("tempo.mid") + " -o " + at("out.wav"));
    ASSERT_EQ(result.code, 0) << result.output;
    const auto out = readWav(dir / "out.wav");
    ASSERT_EQ(out.size(), 2u * 44100);
    float before = 0.0f;
    for (size_t i = 0; i <= 66150; ++i)
        before = std::max(before, std::fabs(out[i]));
    EXPECT_LT(before, 1e-12f);                  // the note's first sample is the attack's 0
    EXPECT_GT(std::fabs(out[66151]), 1e-5f);  // 1.5 s at 44.1 kHz, plus one
}

TEST_F(RenderCli, EveryBadInputIsAClearErrorAndWritesNothing)
{
    writeWav(dir / "voice.wav", noise(4410, 2));
    std::ofstream(dir / "text.wav") << "not audio at all";
    std::ofstream(dir / "text.mid") << "MThd but not really";
    const std::string voice = " --modulator " + at("voice.wav");
    const std::string out = " -o " + at("out.wav");
    const std::string notes = " --notes C3";
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {" --modulator " + at("missing.wav") + out, "cannot read " + at("missing.wav")},
        {" --modulator " + at("text.wav") + out, "cannot read " + at("text.wav")},
        {voice + " --carrier " + at("text.wav") + out, "cannot read " + at("text.wav")},
        {voice + " --midi " + at("text.mid") + out, "not a Standard MIDI File"},
        {voice + out + notes + " --plugin " + at("nothing.so"), "cannot load the plug-in"},
        {voice + out + notes + " --plugin libm.so.6", "exports neither VSTPluginMain nor main"},
        {voice + out + notes + " --set Sideways=1", "no parameter named \"Sideways\""},
        {voice + out + notes + " --set Mode=Sideways", "neither a value from 0 to 1 nor a setting"},
        {voice + out + notes + " --set Mode", "expected NAME=VALUE"},
        {voice + out + " --notes \"C4 H9\"", "\"H9\" is not a note name"},
        {voice + out + notes + " --format 12", "choose 16, 24 or float"},
        {voice + notes + " -o " + at("out.mp3"), "must end in .wav"},
        {voice + notes + " -o " + at("out.flac") + " --format float", "FLAC holds 16 or 24 bits"},
        {voice + notes + " -o " + at("missing/dir/out.wav"), "cannot write"},
        {voice + out + " --carrier " + at("voice.wav") + " --notes C4", "choose one carrier"},
        {voice + out + notes + " --tail -1", "--tail"},
        // No carrier: the synthesiser without notes, input 2 without a file.
        {voice + out, "no carrier: the synthesiser plays nothing without notes"},
        {voice + out + " --set Mode=Carrier", "no carrier"},
        {voice + out + notes + " --set Carrier=Audio2", "no carrier: Carrier is Audio2"},
        {voice + out + " --preset Sideways" + notes, "no factory preset of that name"},
    };
    for (const auto& c : cases) {
        const Result result = runRender("--quiet" + c.arguments);
        EXPECT_EQ(result.code, 2) << c.arguments << "\n" << result.output;
        EXPECT_NE(result.output.find(c.message), std::string::npos) << c.arguments << "\n" << result.output;
    }
    // Nothing written, not even a partial file.
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_TRUE(entry.path().filename() == "voice.wav" || entry.path().filename() == "text.wav" ||
                    entry.path().filename() == "text.mid")
            << entry.path();
    // The voice alone needs no carrier.
    const Result alone = runRender("--quiet --set Mode=Audio1" + voice + out);
    EXPECT_EQ(alone.code, 0) << alone.output;
}

// Every factory preset: --save-preset writes the table's values bit for bit,
// the committed file is that file, loading it gives the same file back, and
// the preset vocodes the demo phrase without clipping.
TEST_F(RenderCli, FactoryPresetsRoundTripAndRenderWithoutClipping)
{
    const auto bytes = [](const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    const auto beFloat = [](const std::string& file, size_t at) {
        std::uint32_t v = 0;
        for (size_t i = 0; i < 4; ++i)
            v = v << 8 | static_cast<unsigned char>(file[at + i]);
        return std::bit_cast<float>(v);
    };
    // An audio carrier for the preset that wants one: a sawtooth chord at -6 dBFS.
    std::vector<float> chord(static_cast<size_t>(22050 * 5));
    for (size_t i = 0; i < chord.size(); ++i) {
        double sum = 0.0;
        for (double hz : {130.81, 196.0, 261.63, 311.13})
            sum += std::fmod(hz * static_cast<double>(i) / 22050.0, 1.0) - 0.5;
        chord[i] = static_cast<float>(sum / 4.0);
    }
    writeWav(dir / "chord.wav", chord, 22050);

    const std::vector<float> phrase = readWav(DEMO_DIR "/phrase.wav");
    ASSERT_FALSE(factoryPresets().empty());
    for (const FactoryPreset& preset : factoryPresets()) {
        const std::string name = preset.name;
        const fs::path committed = fs::path(PRESETS_DIR) / (name + ".fxp");
        Result result = runRender("--preset \"" + name + "\" --save-preset \"" + at("saved.fxp") + "\"");
        ASSERT_EQ(result.code, 0) << name << "\n" << result.output;
        // The Clear engine's presets hold every parameter and play only in
        // the formats we design: no program file for VST 2 hosts.
        const bool clear = preset.designedOnly();
        const std::string saved = bytes(dir / "saved.fxp");
        const int count = clear ? kNumParameters : kVst2Parameters;
        ASSERT_EQ(saved.size(), 56u + 4 * static_cast<size_t>(count)) << name;
        EXPECT_EQ(saved.substr(28, name.size()), name);
        const std::array<float, kNumParameters> values = preset.allValues();
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(std::bit_cast<std::uint32_t>(beFloat(saved, 56 + 4 * static_cast<size_t>(i))),
                      std::bit_cast<std::uint32_t>(values[static_cast<size_t>(i)]))
                << name << ", parameter " << i;
        EXPECT_EQ(fs::exists(committed), !clear) << committed << " is not what the table gives: ./run presets";
        if (!clear) {
            EXPECT_EQ(bytes(committed), saved) << committed << " is not what the table gives: ./run presets";
            result = runRender("--preset \"" + committed.string() + "\" --save-preset " + at("again.fxp"));
            ASSERT_EQ(result.code, 0) << result.output;
            EXPECT_EQ(bytes(dir / "again.fxp"), saved) << name;
        }

        const std::string carrier = name == "Audio Carrier" ? " --carrier " + at("chord.wav")
                                                            : std::string(" --midi " DEMO_DIR "/chords.mid");
        result = runRender("--quiet --align --format float --preset \"" + name + "\" --modulator " DEMO_DIR
                           "/phrase.wav" + carrier + " -o " + at("out.wav"));
        ASSERT_EQ(result.code, 0) << result.output;
        float peak = 0.0f;
        double power = 0.0;
        for (float v : readWav(dir / "out.wav")) {
            peak = std::max(peak, std::fabs(v));
            power += static_cast<double>(v) * v;
        }
        EXPECT_LE(peak, 0.891f) << name << ": above -1 dBFS";
        EXPECT_GT(power, 1.0) << name << ": next to silent";
        // Band envelopes that follow the voice's, measured where the preset
        // moves the formants to.
        if (clear) {
            const std::vector<float> out = readWav(dir / "out.wav");
            const double formant = mapping::formantSemitones(values[kFormant]);
            EXPECT_GE(matchVoice(phrase, out, 22050, 256, formant).correlation, 0.93) << name << ": the words are not clear";
        }
    }
}

// Damaged and foreign program files: a message that names the file and what
// is wrong, exit code 2, nothing rendered or written.
TEST_F(RenderCli, BadPresetFilesAreRefused)
{
    ASSERT_EQ(runRender("--preset \"Robot Voice\" --save-preset " + at("good.fxp")).code, 0);
    std::ifstream in(dir / "good.fxp", std::ios::binary);
    const std::string good((std::istreambuf_iterator<char>(in)), {});
    const auto variant = [&](const std::string& name, size_t at, const std::string& replacement) {
        std::string bytes = good;
        bytes.replace(at, replacement.size(), replacement);
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return name;
    };
    std::ofstream(dir / "short.fxp", std::ios::binary) << good.substr(0, 100);
    std::ofstream(dir / "header.fxp", std::ios::binary) << good.substr(0, 20);
    const std::string nan("\x7F\xC0\x00\x00", 4), above("\x3F\xC0\x00\x00", 4);  // NaN, 1.5
    const struct {
        std::string file;
        std::string message;
    } cases[] = {
        {"short.fxp", "truncated"},
        {"header.fxp", "truncated"},
        {variant("magic.fxp", 0, "RIFF"), "not a VST program file"},
        {variant("bank.fxp", 8, "FxBk"), "a bank of programs"},
        {variant("chunk.fxp", 8, "FPCh"), "a program saved as an opaque chunk"},
        {variant("other.fxp", 16, "Abcd"), "made for another plug-in"},
        {variant("count.fxp", 24, std::string("\0\0\0\x1E", 4)), "truncated: 30 values need 176 bytes"},
        {variant("nan.fxp", 56 + 4 * 3, nan), "parameter 3 holds nan, not a value from 0 to 1"},
        {variant("above.fxp", 56 + 4 * 27, above), "parameter 27 holds 1.5"},
        {"missing.fxp", "cannot read it"},
    };
    writeWav(dir / "voice.wav", noise(4410, 3));
    for (const auto& c : cases) {
        const Result result = runRender("--quiet --modulator " + at("voice.wav") + " --notes C3 -o " + at("out.wav") +
                                        " --preset " + at(c.file));
        EXPECT_EQ(result.code, 2) << c.file << "\n" << result.output;
        EXPECT_NE(result.output.find("preset " + at(c.file) + ": " + c.message), std::string::npos)
            << c.file << "\n" << result.output;
        EXPECT_FALSE(fs::exists(dir / "out.wav")) << c.file;
    }
}

// Program files as this version and earlier ones wrote them load; a file
// with fewer values (an earlier version's) gives the rest their defaults,
// one with more (a later version's) the values this one knows, and says
// once what it ignored.
TEST_F(RenderCli, ProgramFilesOfEarlierAndLaterVersionsLoad)
{
    const fs::path committed = fs::path(PRESETS_DIR) / "Bass Voice.fxp";  // FFT SIZE 1024
    std::ifstream in(committed, std::ios::binary);
    const std::string today((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(today.size(), 56u + 4 * 28);
    const auto withCount = [&](const std::string& name, unsigned count) {
        std::string bytes = today.substr(0, 56) + today.substr(56, 4 * std::min(count, 28u));
        for (unsigned extra = 28; extra < count; ++extra)
            bytes += std::string("\x3F\x00\x00\x00", 4);  // 0.5
        bytes[24] = 0, bytes[25] = 0, bytes[26] = 0, bytes[27] = static_cast<char>(count);
        const std::uint32_t size = static_cast<std::uint32_t>(bytes.size() - 8);
        for (int b = 0; b < 4; ++b)
            bytes[4 + static_cast<size_t>(b)] = static_cast<char>(size >> (24 - 8 * b));
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return at(name);
    };
    const Result reference = runRender("--preset \"" + committed.string() + "\" --list-params");
    ASSERT_EQ(reference.code, 0) << reference.output;

    const Result later = runRender("--preset " + withCount("later.fxp", 31) + " --list-params");
    EXPECT_EQ(later.code, 0) << later.output;
    EXPECT_NE(later.output.find("3 values after the 28 this version knows (from a later version) were ignored"),
              std::string::npos) << later.output;
    EXPECT_NE(later.output.find(reference.output), std::string::npos) << later.output;

    const Result earlier = runRender("--preset " + withCount("earlier.fxp", 26) + " --list-params");
    EXPECT_EQ(earlier.code, 0) << earlier.output;
    EXPECT_NE(earlier.output.find("26  FFT SIZE               0.666667  512"), std::string::npos) << earlier.output;
    EXPECT_EQ(earlier.output.find("ignored"), std::string::npos) << earlier.output;
}

TEST_F(RenderCli, ListsEveryParameterWithItsDisplay)
{
    Result result = runRender("--list-params");
    ASSERT_EQ(result.code, 0) << result.output;
    int rows = 0;
    for (size_t at = result.output.find('\n'); at != std::string::npos; at = result.output.find('\n', at + 1))
        ++rows;
    EXPECT_EQ(rows, 29);  // a heading and 28 parameters
    EXPECT_NE(result.output.find("FFT SIZE"), std::string::npos);
    EXPECT_NE(result.output.find("   26  FFT SIZE"), std::string::npos);
    EXPECT_NE(result.output.find("Vocoder"), std::string::npos);  // Mode's display

    // A shown choice takes the middle of its values, where the synthesiser
    // plays it too (its steps fall at 0.2506, 0.5013 and 0.7519).
    result = runRender("--set \"OSC 1=Square\" --list-params");
    ASSERT_EQ(result.code, 0) << result.output;
    EXPECT_NE(result.output.find("OSC 1                  0.625000  Square"), std::string::npos) << result.output;

    // The built-in engine's parameters beyond the 28 take what plays, with or
    // without their label, and show it again ("Unison=1" is one copy, not the
    // normalised 1); beyond the range is an error.
    result = runRender("--built-in --set Formant=-4 --set \"Width=80 %\" --set Bands=40 --set Unison=1 "
                       "--set Glide=200 --set \"Voice Mode=Legato\" --list-params");
    ASSERT_EQ(result.code, 0) << result.output;
    EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1 + kNumParameters);  // and a heading
    EXPECT_NE(result.output.find("Bands                  0.428571  40 "), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("Formant                0.333333  -4.0 st"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("Width                  0.800000  80 %"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("Unison                 0.000000  1 "), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("Glide                  0.100000  200 ms"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("Voice Mode             1.000000  Legato"), std::string::npos) << result.output;
    result = runRender("--built-in --set Formant=-13 --list-params");
    EXPECT_EQ(result.code, 2) << result.output;
    EXPECT_NE(result.output.find("Formant"), std::string::npos) << result.output;
}

// The README's demo: the committed phrase and chords, aligned output.
TEST_F(RenderCli, DemoRenders)
{
    const Result result = runRender("--quiet --align --tail 1 --set \"Vocoder Gain=1\" --modulator " DEMO_DIR
                                    "/phrase.wav --midi " DEMO_DIR "/chords.mid -o " + at("demo.wav"));
    ASSERT_EQ(result.code, 0) << result.output;
    const auto out = readWav(dir / "demo.wav");
    const auto voice = readWav(DEMO_DIR "/phrase.wav");
    EXPECT_EQ(out.size(), voice.size() + 22050u);  // 1 s of tail at the phrase's 22050 Hz
    float peak = 0.0f;
    for (float v : out)
        peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 0.05f);
}

// The editor's picture: a 500 × 374 PNG that follows the settings; a path
// that cannot be written is an error and leaves nothing behind; the
// built-in engine's editor is drawn at the scale asked for.
TEST_F(RenderCli, WritesTheEditorsPicture)
{
    const auto pngSize = [](const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        unsigned char header[24] = {};
        in.read(reinterpret_cast<char*>(header), sizeof header);
        const auto be = [&](int at) {
            return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3];
        };
        return std::pair{be(16), be(20)};
    };
    Result result = runRender("--editor-png " + at("editor.png"));
    ASSERT_EQ(result.code, 0) << result.output;
    EXPECT_EQ(pngSize(dir / "editor.png"), (std::pair{500, 374}));
    result = runRender("--editor-png " + at("carrier.png") + " --set Mode=Carrier");
    ASSERT_EQ(result.code, 0) << result.output;
    std::ifstream a(dir / "editor.png", std::ios::binary), b(dir / "carrier.png", std::ios::binary);
    const std::string first((std::istreambuf_iterator<char>(a)), {}), second((std::istreambuf_iterator<char>(b)), {});
    EXPECT_NE(first, second);

    result = runRender("--editor-png " + at("missing/editor.png"));
    EXPECT_EQ(result.code, 2);
    EXPECT_NE(result.output.find("cannot write"), std::string::npos) << result.output;
    EXPECT_FALSE(fs::exists(dir / "missing"));
    result = runRender("--editor-png " + at("x.png") + " --set Nonsense=1");
    EXPECT_EQ(result.code, 2);
    EXPECT_FALSE(fs::exists(dir / "x.png"));

    // The built-in engine's editor, both panels, at 1.5 and 2 pixels a point;
    // the VST 2 editor has no other scale.
    result = runRender("--built-in --editor-png " + at("large.png") + " --editor-scale 2");
    ASSERT_EQ(result.code, 0) << result.output;
    EXPECT_EQ(pngSize(dir / "large.png"), (std::pair{1000, 1048}));
    result = runRender("--built-in --editor-png " + at("large.png") + " --editor-scale 1.5");
    ASSERT_EQ(result.code, 0) << result.output;
    EXPECT_EQ(pngSize(dir / "large.png"), (std::pair{750, 786}));
    result = runRender("--editor-png " + at("y.png") + " --editor-scale 2");
    EXPECT_EQ(result.code, 2);
    EXPECT_NE(result.output.find("--built-in"), std::string::npos) << result.output;
    EXPECT_FALSE(fs::exists(dir / "y.png"));
}

// Installed as `./run install PREFIX` installs it, the program finds the
// plug-in in the install's lib/vst; without it there, in a folder of
// LXVST_PATH; without any, the error names every folder it tried.
TEST_F(RenderCli, AnInstalledProgramFindsItsPlugin)
{
    const fs::path prefix = dir / "prefix", home = dir / "home", elsewhere = dir / "elsewhere";
    ASSERT_EQ(runCommand(std::string(CMAKE_COMMAND) + " --install " BUILD_DIR " --prefix " + prefix.string()).code, 0);
    fs::create_directories(home);
    fs::create_directories(elsewhere);
    const auto listed = [&](const std::string& lxvstPath) {
        return runCommand("env -u VST_PATH -u LXVST_PATH HOME=" + home.string() +
                          (lxvstPath.empty() ? "" : " LXVST_PATH=" + lxvstPath) + " " +
                          (prefix / "bin" / "vocoder-render").string() + " --list-params");
    };
    Result result = listed("");
    EXPECT_EQ(result.code, 0) << result.output;
    EXPECT_NE(result.output.find("FFT SIZE"), std::string::npos);

    fs::rename(prefix / "lib" / "vst" / "Vocoder.so", elsewhere / "Vocoder.so");
    result = listed("/nowhere:" + elsewhere.string());
    EXPECT_EQ(result.code, 0) << result.output;

    result = listed("");
    EXPECT_EQ(result.code, 2);
    const fs::path installed = fs::canonical(prefix);
    for (const fs::path& folder : {installed / "bin", installed / "lib" / "vst", home / ".vst",
                                   fs::path("/usr/local/lib/vst"), fs::path("/usr/lib/vst")})
        EXPECT_NE(result.output.find(folder.string()), std::string::npos) << folder << "\n" << result.output;
    EXPECT_NE(result.output.find("cannot find the plug-in Vocoder.so"), std::string::npos) << result.output;
}

// Files are streamed: a ten-minute render, the carrier's rate conversion
// included, peaks at the memory of a one-minute one.
TEST_F(RenderCli, MemoryDoesNotGrowWithTheLengthOfTheFiles)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' own bookkeeping hides the render's memory";
#endif
    const auto peakKilobytes = [&](int seconds) -> long {
        writeWav(dir / "voice.wav", noise(static_cast<size_t>(seconds) * 8000, 4), 8000);
        writeWav(dir / "carrier.wav", noise(static_cast<size_t>(seconds) * 11025, 5), 11025);
        const std::string voice = at("voice.wav"), carrier = at("carrier.wav"), out = at("out.wav");
        const char* arguments[] = {VOCODER_RENDER_PATH, "--quiet", "--modulator", voice.c_str(), "--carrier",
                                   carrier.c_str(), "--align", "--tail", "1", "-o", out.c_str(), nullptr};
        const pid_t child = fork();
        if (child == 0) {
            std::freopen("/dev/null", "w", stdout);
            execv(arguments[0], const_cast<char**>(arguments));
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << seconds << " s";
        return usage.ru_maxrss;
    };
    const long minute = peakKilobytes(60);
    const long tenMinutes = peakKilobytes(600);
    EXPECT_LT(tenMinutes, minute + 8 * 1024) << "kB: " << minute << " for a minute, " << tenMinutes << " for ten";
}
