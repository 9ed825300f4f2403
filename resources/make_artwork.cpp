// Draws the editor's sixteen images with cairo and writes them as 8-bit
// RGBA PNGs named "<number>-<name>.png" into the directory given, and each
// drawn again at twice the size as "<number>-<name>@2x.png" for scaled
// editors; with --icon, the standalone program's 256 × 256 desktop icon into
// the file given.
//
// One palette and one light, from the top left: surfaces are lighter at the
// top left, rims catch the light there, shadows fall to the bottom right.
// Captions are laid out by the editor's own view table.
#include "editor/Layout.h"

#include <cairo.h>
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

struct Colour {
    double r, g, b, a = 1.0;
};

Colour rgb(int r, int g, int b, double a = 1.0) { return {r / 255.0, g / 255.0, b / 255.0, a}; }

// The palette.
const Colour kChassisTop = rgb(58, 62, 69), kChassisBottom = rgb(34, 36, 41);
const Colour kPanelTop = rgb(214, 216, 210), kPanelBottom = rgb(192, 194, 188);
const Colour kPanelLight = rgb(246, 247, 243), kPanelShade = rgb(128, 130, 126);
const Colour kInk = rgb(51, 51, 51), kInkSoft = rgb(92, 95, 100);
const Colour kLabel = rgb(232, 233, 229), kLabelDim = rgb(150, 155, 162);
const Colour kAccent = rgb(242, 132, 36), kAccentBright = rgb(255, 178, 92);
const Colour kCapLight = rgb(104, 109, 118), kCapDark = rgb(30, 32, 36);

const char* const kFace = "Liberation Sans";

void set(cairo_t* cr, const Colour& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

void linear(cairo_t* cr, double x0, double y0, double x1, double y1, const Colour& a, const Colour& b)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(x0, y0, x1, y1);
    cairo_pattern_add_color_stop_rgba(p, 0, a.r, a.g, a.b, a.a);
    cairo_pattern_add_color_stop_rgba(p, 1, b.r, b.g, b.b, b.a);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

enum class Align { Left, Centre, Right };

// Text with its x-height centred on y.
void text(cairo_t* cr, const std::string& s, double x, double y, double size, const Colour& c,
          Align align = Align::Centre, bool bold = true, double spacing = 0.0)
{
    cairo_select_font_face(cr, kFace, CAIRO_FONT_SLANT_NORMAL, bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    const double width = e.x_advance + spacing * (s.size() > 0 ? s.size() - 1 : 0);
    double left = x;
    if (align == Align::Centre)
        left = x - width / 2;
    else if (align == Align::Right)
        left = x - width;
    cairo_text_extents_t xe;
    cairo_text_extents(cr, "x", &xe);
    const double baseline = y - xe.y_bearing / 2;
    set(cr, c);
    if (spacing == 0.0) {
        cairo_move_to(cr, left, baseline);
        cairo_show_text(cr, s.c_str());
        return;
    }
    for (char ch : s) {
        const char one[2] = {ch, 0};
        cairo_move_to(cr, left, baseline);
        cairo_show_text(cr, one);
        cairo_text_extents(cr, one, &e);
        left += e.x_advance + spacing;
    }
}

// A soft shadow under a circle, offset towards the bottom right.
void circleShadow(cairo_t* cr, double cx, double cy, double r, double strength)
{
    for (int i = 4; i >= 1; --i) {
        cairo_arc(cr, cx + 1.2, cy + 1.6, r + i * 0.7, 0, 2 * kPi);
        set(cr, rgb(0, 0, 0, strength / (i + 1)));
        cairo_fill(cr);
    }
}

// The dark round cap shared by knobs and buttons.
void roundCap(cairo_t* cr, double cx, double cy, double r)
{
    circleShadow(cr, cx, cy, r, 0.5);
    cairo_pattern_t* body = cairo_pattern_create_radial(cx - r * 0.35, cy - r * 0.4, r * 0.1, cx, cy, r);
    cairo_pattern_add_color_stop_rgb(body, 0, kCapLight.r, kCapLight.g, kCapLight.b);
    cairo_pattern_add_color_stop_rgb(body, 1, kCapDark.r, kCapDark.g, kCapDark.b);
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    cairo_set_source(cr, body);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
    // The rim: lit at the top left, in shade at the bottom right.
    cairo_arc(cr, cx, cy, r - 0.5, 0, 2 * kPi);
    linear(cr, cx - r, cy - r, cx + r, cy + r, rgb(220, 222, 228, 0.85), rgb(0, 0, 0, 0.7));
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    // The face, slightly domed.
    const double face = r * 0.72;
    cairo_arc(cr, cx, cy, face, 0, 2 * kPi);
    linear(cr, cx, cy - face, cx, cy + face, rgb(78, 82, 90), rgb(44, 47, 53));
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, face, 0, 2 * kPi);
    linear(cr, cx - face, cy - face, cx + face, cy + face, rgb(0, 0, 0, 0.5), rgb(255, 255, 255, 0.18));
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
}

// w × h units of `scale` × `scale` pixels each; drawing is in units.
struct Canvas {
    Canvas(int w, int h, int scale = 1)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w * scale, h * scale)), cr(cairo_create(surface))
    {
        cairo_scale(cr, scale, scale);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
        cairo_set_font_options(cr, options);
        cairo_font_options_destroy(options);
    }
    ~Canvas()
    {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    // 8-bit RGBA, straight (not premultiplied) alpha, whatever the content.
    bool save(const std::string& path)
    {
        cairo_surface_flush(surface);
        const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file)
            return false;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_write_struct(&png, &info);
            std::fclose(file);
            return false;
        }
        png_init_io(png, file);
        png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_set_compression_level(png, 9);
        png_write_info(png, info);
        std::vector<unsigned char> row(static_cast<size_t>(w) * 4);
        for (int y = 0; y < h; ++y) {
            const auto* pixels = reinterpret_cast<const std::uint32_t*>(data + static_cast<size_t>(y) * stride);
            for (int x = 0; x < w; ++x) {
                const std::uint32_t p = pixels[x];
                const unsigned a = p >> 24;
                const auto straight = [a](unsigned c) { return a ? static_cast<unsigned char>((c * 255 + a / 2) / a) : 0; };
                row[x * 4 + 0] = straight((p >> 16) & 0xFF);
                row[x * 4 + 1] = straight((p >> 8) & 0xFF);
                row[x * 4 + 2] = straight(p & 0xFF);
                row[x * 4 + 3] = static_cast<unsigned char>(a);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        return std::fclose(file) == 0;
    }
    cairo_surface_t* surface;
    cairo_t* cr;
};

// A strip of `frames` images of w × h, each drawn by `draw(cr, index)` at the origin.
void strip(Canvas& canvas, int frames, int h, const std::function<void(cairo_t*, int)>& draw)
{
    for (int i = 0; i < frames; ++i) {
        cairo_save(canvas.cr);
        cairo_rectangle(canvas.cr, 0, i * h, 4096, h);
        cairo_clip(canvas.cr);
        cairo_translate(canvas.cr, 0, i * h);
        draw(canvas.cr, i);
        cairo_restore(canvas.cr);
    }
}

// ------------------------------------------------------------------ controls

void knob(cairo_t* cr, int index)
{
    const double c = 16.0;
    roundCap(cr, c, c, 13.0);
    // The indicator: from 225° (about seven o'clock) clockwise to −45°.
    const double angle = (225.0 - 270.0 * index / (layout::kKnobFrames - 1)) * kPi / 180.0;
    const double x = c + 6.8 * std::cos(angle), y = c - 6.8 * std::sin(angle);
    cairo_arc(cr, x, y, 2.6, 0, 2 * kPi);
    set(cr, rgb(242, 132, 36, 0.25));
    cairo_fill(cr);
    cairo_arc(cr, x, y, 1.7, 0, 2 * kPi);
    cairo_pattern_t* dot = cairo_pattern_create_radial(x - 0.5, y - 0.6, 0.2, x, y, 1.7);
    cairo_pattern_add_color_stop_rgb(dot, 0, kAccentBright.r, kAccentBright.g, kAccentBright.b);
    cairo_pattern_add_color_stop_rgb(dot, 1, kAccent.r, kAccent.g, kAccent.b);
    cairo_set_source(cr, dot);
    cairo_fill(cr);
    cairo_pattern_destroy(dot);
}

// A round button with a label; w × h is one image.
void labelledButton(cairo_t* cr, double w, double h, const std::string& label, double size)
{
    const double r = std::min(w, h) / 2 - 2.5;
    roundCap(cr, w / 2, h / 2, r);
    text(cr, label, w / 2 + 0.5, h / 2 + 0.5, size, rgb(0, 0, 0, 0.6));
    text(cr, label, w / 2, h / 2, size, kLabel);
}

// A round button with a waveform symbol: 0 sine, 1 sawtooth, 2 square, 3 noise.
void waveButton(cairo_t* cr, int wave)
{
    const double w = 48, h = 47, cx = w / 2, cy = h / 2;
    roundCap(cr, cx, cy, std::min(w, h) / 2 - 2.5);
    const double left = cx - 10, right = cx + 10, amp = 5.5;
    cairo_new_path(cr);
    if (wave == 0) {
        for (int i = 0; i <= 40; ++i) {
            const double t = i / 40.0;
            cairo_line_to(cr, left + t * (right - left), cy - amp * std::sin(2 * kPi * t));
        }
    } else if (wave == 1) {
        cairo_move_to(cr, left, cy + amp);
        cairo_line_to(cr, cx, cy - amp);
        cairo_line_to(cr, cx, cy + amp);
        cairo_line_to(cr, right, cy - amp);
    } else if (wave == 2) {
        cairo_move_to(cr, left, cy + amp);
        cairo_line_to(cr, left, cy - amp);
        cairo_line_to(cr, cx, cy - amp);
        cairo_line_to(cr, cx, cy + amp);
        cairo_line_to(cr, right, cy + amp);
        cairo_line_to(cr, right, cy - amp);
    } else {
        // A fixed pseudo-random trace, the same on every run.
        unsigned seed = 12345;
        for (int i = 0; i <= 20; ++i) {
            seed = seed * 1103515245u + 12345u;
            const double v = ((seed >> 16) & 0x7FFF) / 32767.0 * 2.0 - 1.0;
            cairo_line_to(cr, left + i, cy + amp * v);
        }
    }
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 2.6);
    set(cr, rgb(242, 132, 36, 0.3));
    cairo_stroke_preserve(cr);
    cairo_set_line_width(cr, 1.5);
    set(cr, kAccentBright);
    cairo_stroke(cr);
}

// A small dark window with a number in the accent colour.
void numberWindow(cairo_t* cr, const std::string& number)
{
    roundedRect(cr, 0.5, 0.5, 39, 9, 2);
    linear(cr, 0, 0, 0, 10, rgb(22, 23, 26), rgb(40, 42, 47));
    cairo_fill_preserve(cr);
    set(cr, rgb(255, 255, 255, 0.12));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    text(cr, number, 20, 5.2, 8.5, kAccentBright);
}

// Fader handle centred at (x, y), long side along the travel's cross axis.
void faderHandle(cairo_t* cr, double x, double y, bool vertical)
{
    const double w = vertical ? 16 : 9, h = vertical ? 9 : 16;
    roundedRect(cr, x - w / 2 + 1, y - h / 2 + 1.5, w, h, 2);
    set(cr, rgb(0, 0, 0, 0.45));
    cairo_fill(cr);
    roundedRect(cr, x - w / 2, y - h / 2, w, h, 2);
    linear(cr, x - w / 2, y - h / 2, x + w / 2, y + h / 2, rgb(238, 239, 235), rgb(150, 153, 150));
    cairo_fill_preserve(cr);
    set(cr, rgb(70, 72, 76));
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    set(cr, kAccent);
    if (vertical)
        cairo_rectangle(cr, x - w / 2 + 2, y - 0.75, w - 4, 1.5);
    else
        cairo_rectangle(cr, x - 0.75, y - h / 2 + 2, 1.5, h - 4);
    cairo_fill(cr);
}

// The slot, with ticks every fifth position.
void faderSlot(cairo_t* cr, bool vertical, double length)
{
    const double across = 10;
    for (int tick = 0; tick <= 6; ++tick) {
        const double along = 4.5 + (length - 9) * tick / 6.0;
        set(cr, rgb(0, 0, 0, 0.35));
        if (vertical)
            cairo_rectangle(cr, 1, along - 0.5, 3, 1), cairo_rectangle(cr, 16, along - 0.5, 3, 1);
        else
            cairo_rectangle(cr, along - 0.5, 1, 1, 3), cairo_rectangle(cr, along - 0.5, 16, 1, 3);
        cairo_fill(cr);
    }
    if (vertical)
        roundedRect(cr, across - 2, 3, 4, length - 6, 2);
    else
        roundedRect(cr, 3, across - 2, length - 6, 4, 2);
    set(cr, rgb(28, 30, 34));
    cairo_fill_preserve(cr);
    linear(cr, 0, 0, vertical ? 20 : length, vertical ? length : 20, rgb(0, 0, 0, 0.6), rgb(255, 255, 255, 0.5));
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
}

// ---------------------------------------------------------------- background

struct Panel {
    const char* title;
    double x, y, w, h;
};

constexpr Panel kPanels[] = {
    {"MODULATOR", 8, 56, 92, 152}, {"CARRIER", 104, 56, 142, 152}, {"SYNTH", 250, 56, 242, 152},
    {"EQUALIZER", 8, 214, 274, 152}, {"OUTPUT", 286, 214, 206, 152},
};

void panel(cairo_t* cr, const Panel& p)
{
    roundedRect(cr, p.x + 1.5, p.y + 2.5, p.w, p.h, 5);
    set(cr, rgb(0, 0, 0, 0.45));
    cairo_fill(cr);
    roundedRect(cr, p.x, p.y, p.w, p.h, 5);
    linear(cr, 0, p.y, 0, p.y + p.h, kPanelTop, kPanelBottom);
    cairo_fill(cr);
    roundedRect(cr, p.x + 0.5, p.y + 0.5, p.w - 1, p.h - 1, 4.5);
    linear(cr, p.x, p.y, p.x + p.w * 0.3, p.y + p.h, kPanelLight, kPanelShade);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    if (*p.title)
        text(cr, p.title, p.x + 8, p.y + 8, 8.5, kInk, Align::Left, true, 1.2);
    cairo_rectangle(cr, p.x + 8, p.y + 14, p.w - 16, 1);
    set(cr, rgb(0, 0, 0, 0.18));
    cairo_fill(cr);
    cairo_rectangle(cr, p.x + 8, p.y + 15, p.w - 16, 1);
    set(cr, rgb(255, 255, 255, 0.55));
    cairo_fill(cr);
    if (*p.title) {
        cairo_rectangle(cr, p.x + 8, p.y + 14, 18, 1);
        set(cr, kAccent);
        cairo_fill(cr);
    }
}

void screw(cairo_t* cr, double x, double y)
{
    circleShadow(cr, x, y, 3, 0.4);
    cairo_arc(cr, x, y, 3, 0, 2 * kPi);
    linear(cr, x - 3, y - 3, x + 3, y + 3, rgb(190, 192, 196), rgb(80, 83, 88));
    cairo_fill(cr);
    cairo_move_to(cr, x - 2, y + 1);
    cairo_line_to(cr, x + 2, y - 1);
    set(cr, rgb(40, 42, 46));
    cairo_set_line_width(cr, 0.9);
    cairo_stroke(cr);
}

const layout::View& viewFor(layout::Kind kind, std::int32_t tag)
{
    if (const layout::View* v = layout::find(kind, tag))
        return *v;
    std::fprintf(stderr, "no view of that kind for tag %d\n", tag);
    std::abort();
}

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

double centreX(const layout::View& v) { return (v.left + v.right) / 2.0; }
double centreY(const layout::View& v) { return (v.top + v.bottom) / 2.0; }

// Scale dots around every knob of `views`, where its indicator can point;
// the panel's image starts `top` pixels down the editor.
void knobScales(cairo_t* cr, std::span<const layout::View> views = layout::kViews, double top = 0)
{
    for (const auto& v : views) {
        if (v.kind != layout::Kind::Knob)
            continue;
        const double cx = centreX(v), cy = centreY(v) - top;
        for (int i = 0; i <= 10; ++i) {
            const double a = (225.0 - 27.0 * i) * kPi / 180.0;
            const double r = (i == 0 || i == 5 || i == 10) ? 1.1 : 0.75;
            cairo_arc(cr, cx + 17.5 * std::cos(a), cy - 17.5 * std::sin(a), r, 0, 2 * kPi);
            set(cr, kInkSoft);
            cairo_fill(cr);
        }
    }
}

void caption(cairo_t* cr, const std::string& s, double x, double y, Align align = Align::Centre)
{
    text(cr, s, x, y, 8, kInkSoft, align);
}

// The chassis of a panel `height` pixels high: its gradient, a fine brushed
// texture (fixed: `seed` picks it), the corner screws.
void chassis(cairo_t* cr, int height, unsigned seed)
{
    linear(cr, 0, 0, 0, height, kChassisTop, kChassisBottom);
    cairo_paint(cr);
    for (int y = 0; y < height; ++y) {
        seed = seed * 1103515245u + 12345u;
        cairo_rectangle(cr, 0, y, layout::kWidth, 1);
        set(cr, rgb(255, 255, 255, ((seed >> 16) & 0xFF) / 255.0 * 0.025));
        cairo_fill(cr);
    }
    for (double x : {4.5, layout::kWidth - 4.5})
        for (double y : {4.5, height - 4.5})
            screw(cr, x, y);
}

void background(Canvas& canvas)
{
    cairo_t* cr = canvas.cr;
    using layout::Kind;
    chassis(cr, layout::kHeight, 777);

    // Title.
    text(cr, "VOCODER", 16, 24, 22, rgb(0, 0, 0, 0.5), Align::Left, true, 2.0);
    text(cr, "VOCODER", 15, 23, 22, kLabel, Align::Left, true, 2.0);
    cairo_rectangle(cr, 16, 36, 28, 2);
    set(cr, kAccent);
    cairo_fill(cr);
    text(cr, "VELMORA", 50, 37, 7.5, kLabelDim, Align::Left, true, 2.2);
    text(cr, "spectral vocoder  \xC2\xB7  16-voice synthesiser", 160, 23, 8, kLabelDim, Align::Left, false);

    // Settings: a dark recess around the size windows.
    roundedRect(cr, 340, 10, 150, 26, 4);
    set(cr, rgb(20, 21, 24, 0.8));
    cairo_fill_preserve(cr);
    linear(cr, 340, 10, 340, 36, rgb(0, 0, 0, 0.7), rgb(255, 255, 255, 0.12));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    const auto& fft = viewFor(Kind::Button, kFftSize);
    const auto& hop = viewFor(Kind::Button, kHopSize);
    text(cr, "fft", fft.left - 4, centreY(fft), 8, kLabelDim, Align::Right);
    text(cr, "hop", hop.left - 4, centreY(hop), 8, kLabelDim, Align::Right);
    text(cr, "size", centreX(fft), fft.bottom + 6, 6.5, rgb(150, 155, 162, 0.7));
    text(cr, "size", centreX(hop), hop.bottom + 6, 6.5, rgb(150, 155, 162, 0.7));

    for (const Panel& p : kPanels)
        panel(cr, p);
    knobScales(cr);

    // Modulator.
    const auto& audioGain = viewFor(Kind::Display, kAudioGain);
    caption(cr, "volume", audioGain.right - 1, audioGain.top - 6, Align::Right);
    const auto& limiter = viewFor(Kind::Display, kAudioLimiter);
    caption(cr, "limiter", limiter.left + 1, limiter.top - 6, Align::Left);

    // Carrier.
    const auto& source = viewFor(Kind::Button, kCarrier);
    caption(cr, "source", centreX(source), source.bottom + 6);
    for (auto [tag, name] : {std::pair{kAttack, "attack"}, std::pair{kRelease, "release"}}) {
        const auto& k = viewFor(Kind::Knob, tag);
        caption(cr, name, centreX(k), k.bottom + 9);
    }
    const auto& carrierVolume = viewFor(Kind::Display, kCarrierVolume);
    caption(cr, "volume", carrierVolume.right - 1, carrierVolume.top - 6, Align::Right);

    // Synth.
    const auto& osc1 = viewFor(Kind::Button, kOsc1);
    const auto& osc2 = viewFor(Kind::Button, kOsc2);
    caption(cr, "osc1", centreX(osc1), osc1.bottom + 6);
    caption(cr, "osc2", centreX(osc2), osc2.bottom + 6);
    const auto& vol = viewFor(Kind::Display, kOsc2Volume);
    caption(cr, "vol", centreX(vol), vol.top - 7);
    const auto& oct = viewFor(Kind::Button, kOsc2Octave);
    caption(cr, "oct", oct.left - 5, centreY(oct), Align::Right);
    const auto& tune = viewFor(Kind::Button, kTranspose);
    caption(cr, "tune", tune.left - 5, centreY(tune), Align::Right);
    const auto& bend = viewFor(Kind::Button, kPitchbend);
    caption(cr, "pitch bend", centreX(bend), bend.top - 7);

    // Equalizer: column heads, row names between the bands.
    const auto& lowCut = viewFor(Kind::VerticalSlider, kLowCut);
    const auto& highCut = viewFor(Kind::VerticalSlider, kHighCut);
    const auto& band1 = viewFor(Kind::Knob, kPeak1Freq);
    const auto& band2 = viewFor(Kind::Knob, kPeak2Freq);
    const double heads = lowCut.top - 13;
    caption(cr, "low cut", centreX(lowCut), heads);
    caption(cr, "high cut", centreX(highCut), heads);
    caption(cr, "band 1", centreX(band1), heads);
    caption(cr, "band2", centreX(band2), heads);
    const double middle = (band1.right + band2.left) / 2.0;
    for (auto [tag, name] : {std::pair{kPeak1Freq, "hz freq"}, std::pair{kPeak1Gain, "dB boost"},
                             std::pair{kPeak1Q, "q"}}) {
        const auto& d = viewFor(Kind::Display, tag);
        caption(cr, name, middle, d.bottom + 8);
    }

    // Output.
    const auto& gain = viewFor(Kind::HorizontalSlider, kVocoderGain);
    caption(cr, "out volume", centreX(gain), gain.top - 8);
    const auto& attack = viewFor(Kind::Display, kVocoderAttack);
    const auto& thresh = viewFor(Kind::Display, kVocoderThreshold);
    text(cr, "COMPRESSOR", attack.left, attack.top - 8, 7, kInk, Align::Left, true, 1.0);
    cairo_rectangle(cr, attack.left + 52, attack.top - 8, thresh.right - attack.left - 52, 1);
    set(cr, rgb(0, 0, 0, 0.18));
    cairo_fill(cr);
    for (auto [tag, name] : {std::pair{kVocoderAttack, "attack"}, std::pair{kVocoderRelease, "release"},
                             std::pair{kVocoderRatio, "ratio"}, std::pair{kVocoderThreshold, "thresh"}}) {
        const auto& k = viewFor(Kind::Knob, tag);
        caption(cr, name, centreX(k), k.bottom + 8);
    }
    const auto& mode = viewFor(Kind::Button, kMode);
    caption(cr, "mode", centreX(mode), mode.bottom + 6);
}

void helpIcon(Canvas& canvas)
{
    cairo_t* cr = canvas.cr;
    circleShadow(cr, 8, 8, 6.8, 0.5);
    cairo_arc(cr, 8, 8, 6.8, 0, 2 * kPi);
    linear(cr, 2, 2, 14, 14, kAccentBright, rgb(196, 96, 18));
    cairo_fill(cr);
    text(cr, "?", 8, 8.3, 11, rgb(255, 255, 255));
}

// The desktop icon: the chassis, a row of band levels shaped like a voice's
// spectrum in the accent colour, and a knob above them.
void appIcon(Canvas& canvas)
{
    cairo_t* cr = canvas.cr;
    roundedRect(cr, 10, 12, 236, 236, 44);
    set(cr, rgb(0, 0, 0, 0.35));
    cairo_fill(cr);
    roundedRect(cr, 8, 8, 236, 236, 44);
    linear(cr, 8, 8, 244, 244, kChassisTop, kChassisBottom);
    cairo_fill(cr);
    roundedRect(cr, 8.75, 8.75, 234.5, 234.5, 43.25);
    linear(cr, 8, 8, 244, 244, rgb(255, 255, 255, 0.25), rgb(0, 0, 0, 0.4));
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    const double levels[] = {0.35, 0.7, 0.95, 0.8, 0.5, 0.65, 0.85, 0.55, 0.3};
    const int bars = static_cast<int>(std::size(levels));
    for (int i = 0; i < bars; ++i) {
        const double w = 16, gap = 5.5, x = 128 - (bars * w + (bars - 1) * gap) / 2 + i * (w + gap);
        const double h = 8 + 70 * levels[i], bottom = 214;
        roundedRect(cr, x, bottom - h, w, h, 3);
        linear(cr, 0, bottom - 78, 0, bottom, kAccentBright, rgb(196, 96, 18));
        cairo_fill(cr);
    }
    cairo_save(cr);
    cairo_translate(cr, 128 - 16 * 3.4, 84 - 16 * 3.4);  // the knob's image is 32 × 32, its centre at 16, 16
    cairo_scale(cr, 3.4, 3.4);
    knob(cr, layout::kKnobFrames * 3 / 4);
    cairo_restore(cr);
}

// Below the first panel: the panel that holds the pages, its title row left
// to the tabs, and the band display's dark window with its legend.
constexpr Panel kPagesPanel{"", 8, 4, 484, 140};

void pagesBase(cairo_t* cr)
{
    const double top = layout::kExtensionTop;
    chassis(cr, layout::kExtensionHeight, 4242);
    panel(cr, kPagesPanel);
    const layout::View& bands = layout::kBandDisplayView;
    roundedRect(cr, bands.left - 3, bands.top - top - 3, bands.right - bands.left + 6, bands.bottom - bands.top + 6, 3);
    set(cr, rgb(20, 21, 24));
    cairo_fill_preserve(cr);
    linear(cr, 0, bands.top - top - 3, 0, bands.bottom - top + 3, rgb(0, 0, 0, 0.7), rgb(255, 255, 255, 0.5));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    // The legend, in the title row: the voice's bars light, the output's in the accent.
    const double y = 12, right = 480;
    cairo_rectangle(cr, right - 112, y - 3, 6, 6);
    set(cr, rgb(190, 194, 200));
    cairo_fill(cr);
    text(cr, "voice", right - 103, y, 7.5, kInkSoft, Align::Left);
    cairo_rectangle(cr, right - 60, y - 3, 6, 6);
    set(cr, kAccent);
    cairo_fill(cr);
    text(cr, "output", right - 51, y, 7.5, kInkSoft, Align::Left);
}

// A page: the panel, and for each parameter placed on it its caption above
// its column and, for a knob, the scale around it.
void pageBackground(Canvas& canvas, Page page)
{
    cairo_t* cr = canvas.cr;
    const double top = layout::kExtensionTop;
    pagesBase(cr);
    std::vector<layout::View> views;
    for (const layout::View& v : layout::pageViews())
        if (layout::pageOf(v) == page)
            views.push_back(v);
    knobScales(cr, views, top);
    for (const layout::View& v : views)
        if (v.kind != layout::Kind::Display)
            caption(cr, parameter(v.tag).placement.caption, centreX(v), layout::extension::kCaptionY - top);
}

// The tabs over the title row, the page `shown` lit: its title in ink over
// an accent bar, the others' titles soft.
void tabs(cairo_t* cr, int shown)
{
    const double left = layout::extension::kTabsLeft, top = layout::extension::kTabsTop - layout::kExtensionTop;
    cairo_save(cr);
    cairo_translate(cr, -left, -top);
    panel(cr, kPagesPanel);
    for (int page = 0; page < kPages; ++page) {
        const double x = left + layout::kTabWidth * page;
        const bool lit = page == shown;
        text(cr, kPageTitles[page + 1], x + layout::kTabWidth / 2.0, 12, 8.5, lit ? kInk : kInkSoft, Align::Centre,
             true, 1.2);
        if (lit) {
            cairo_rectangle(cr, x + 6, 17.5, layout::kTabWidth - 12, 2);
            set(cr, kAccent);
            cairo_fill(cr);
        }
    }
    cairo_restore(cr);
}

void credits(Canvas& canvas)
{
    cairo_t* cr = canvas.cr;
    roundedRect(cr, 2, 2, 206, 156, 8);
    set(cr, rgb(0, 0, 0, 0.5));
    cairo_fill(cr);
    roundedRect(cr, 0.5, 0.5, 205, 155, 8);
    linear(cr, 0, 0, 0, 156, rgb(66, 70, 78), rgb(32, 34, 39));
    cairo_fill_preserve(cr);
    linear(cr, 0, 0, 206, 156, rgb(255, 255, 255, 0.35), rgb(0, 0, 0, 0.6));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    text(cr, "VOCODER", 103, 26, 18, kLabel, Align::Centre, true, 2.0);
    cairo_rectangle(cr, 89, 38, 28, 2);
    set(cr, kAccent);
    cairo_fill(cr);
    text(cr, "VELMORA", 103, 50, 8, kLabelDim, Align::Centre, true, 2.2);
    const char* lines[] = {"A spectral vocoder with a", "16-voice synthesiser carrier,",
                           "equaliser, compressor and limiter."};
    for (int i = 0; i < 3; ++i)
        text(cr, lines[i], 103, 72 + 13 * i, 8.5, kLabel, Align::Centre, false);
    text(cr, "version 1", 103, 122, 8, kLabelDim, Align::Centre, false);
    text(cr, "click to close", 103, 142, 7.5, kAccentBright, Align::Centre, true);
}

// The image `draw` makes on w × h units, written at one and at two pixels a unit.
bool write(const std::string& dir, int number, const char* name, int w, int h,
           const std::function<void(Canvas&)>& draw)
{
    for (int scale : {1, 2}) {
        Canvas canvas(w, h, scale);
        draw(canvas);
        const std::string path = dir + "/" + std::to_string(number) + "-" + name + (scale == 2 ? "@2x" : "") + ".png";
        if (!canvas.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--icon") {
        Canvas c(256, 256);
        appIcon(c);
        if (c.save(argv[2]))
            return 0;
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY | --icon FILE\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    ok &= write(dir, layout::kBackground, "background", layout::kWidth, layout::kHeight, background);
    ok &= write(dir, layout::kKnobStrip, "knob", 32, 32 * layout::kKnobFrames,
                [](Canvas& c) { strip(c, layout::kKnobFrames, 32, knob); });
    const auto buttons = [&](int number, const char* name, int w, int h, std::vector<std::string> labels,
                             double size) {
        const int frames = static_cast<int>(labels.size());
        ok &= write(dir, number, name, w, h * frames, [&](Canvas& c) {
            strip(c, frames, h, [&](cairo_t* cr, int i) { labelledButton(cr, w, h, labels[i], size); });
        });
    };
    buttons(layout::kModeButtons, "mode", 48, 47, {"vocoder", "carrier", "modulator"}, 7.5);
    buttons(layout::kOctaveButtons, "octave", 32, 32, {"\xE2\x88\x92" "1", "=", "1", "2", "3", "4"}, 9);
    buttons(layout::kCarrierButtons, "carrier", 48, 47, {"synth", "audio"}, 8.5);
    // The pages: each page's image, the tabs with each page lit, and a
    // button's faces for each parameter a page shows as a button.
    for (int page = 1; page <= kPages; ++page) {
        const auto shown = static_cast<Page>(page);
        ok &= write(dir, layout::pageImage(shown), (std::string("page-") + lower(kPageTitles[page])).c_str(),
                    layout::kWidth, layout::kExtensionHeight, [&](Canvas& c) { pageBackground(c, shown); });
    }
    ok &= write(dir, layout::kTabs, "tabs", layout::kTabWidth * kPages, layout::kTabHeight * kPages, [](Canvas& c) {
        strip(c, kPages, layout::kTabHeight, tabs);
    });
    for (std::int32_t i = 0; i < kNumParameters; ++i) {
        const Placement& at = parameter(i).placement;
        if (at.page != Page::first && at.control == Control::button)
            buttons(layout::buttonImage(i), parameter(i).symbol, 48, 47,
                    std::vector<std::string>(at.buttonLabels.begin(), at.buttonLabels.end()), 8.0);
    }
    {
        std::vector<std::string> numbers;
        for (int i = 0; i <= 12; ++i)
            numbers.push_back(std::to_string(i));
        buttons(layout::kNumberButtons, "numbers", 32, 32, numbers, 9);
    }
    ok &= write(dir, layout::kWaveButtons, "waves", 48, 47 * 4, [](Canvas& c) { strip(c, 4, 47, waveButton); });
    {
        const int n = layout::kFaderPositions, h = layout::kVerticalFaderHeight;
        ok &= write(dir, layout::kVerticalFader, "vertical-fader", 20, h * n, [&](Canvas& c) {
            strip(c, n, h, [&](cairo_t* cr, int i) {
                faderSlot(cr, true, h);
                faderHandle(cr, 10, 75.5 - i * 71.0 / (n - 1), true);  // bottom in image 0, top in the last
            });
        });
    }
    {
        const int n = layout::kFaderPositions, h = layout::kHorizontalFaderHeight;
        ok &= write(dir, layout::kHorizontalFader, "horizontal-fader", 80, h * n, [&](Canvas& c) {
            strip(c, n, h, [&](cairo_t* cr, int i) {
                faderSlot(cr, false, 80);
                faderHandle(cr, 75.5 - i * 71.0 / (n - 1), 10, false);  // right in image 0, left in the last
            });
        });
    }
    ok &= write(dir, layout::kHelpIcon, "help", 16, 16, helpIcon);
    ok &= write(dir, layout::kCredits, "credits", 210, 160, credits);
    const auto numberStrip = [&](int number, const char* name, std::vector<std::string> values) {
        const int frames = static_cast<int>(values.size());
        ok &= write(dir, number, name, 40, 10 * frames, [&](Canvas& c) {
            strip(c, frames, 10, [&](cairo_t* cr, int i) { numberWindow(cr, values[i]); });
        });
    };
    numberStrip(layout::kFftSizes, "fft-sizes", {"128", "256", "512", "1024"});
    numberStrip(layout::kHopSizes, "hop-sizes", {"32", "64", "96", "128"});
    return ok ? 0 : 1;
}
