// The editor's panels: their images and views in drawing order, with their
// rectangles, images and strip arguments: the 49 views of the panel every
// format shows, and the pages below it. The editor builds its
// view tree from these tables and the artwork generator lays its captions
// out by them.
#pragma once

#include "parameters/ParameterTable.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace layout {

// Resource numbers of the images.
enum Image : std::int32_t {
    kBackground = 101,
    kKnobStrip = 105,
    kModeButtons = 106,
    kOctaveButtons = 107,
    kWaveButtons = 108,
    kCarrierButtons = 109,
    kVerticalFader = 112,
    kHorizontalFader = 113,
    kHelpIcon = 120,
    kCredits = 121,
    kFftSizes = 122,
    kHopSizes = 123,
    kNumberButtons = 124,
};

inline constexpr int kWidth = 500, kHeight = 374;

// Tag of the two views that drive no parameter.
inline constexpr std::int32_t kNoParameter = 999;

enum class Kind : std::uint8_t { HelpIcon, Credits, Button, Knob, VerticalSlider, HorizontalSlider, Display, BandDisplay, Tabs };

// Display alignment, as the text display takes it.
inline constexpr std::int32_t kLeft = 0, kCentre = 1, kRight = 2;

struct View {
    Kind kind;
    std::int32_t tag;
    std::int32_t left, top, right, bottom;
    std::int32_t image;       // resource number; 0 for displays
    std::int32_t frames;      // strip images (buttons); alignment (displays)
    std::int32_t frameHeight;
};

// Knobs: 32 images of 32; vertical sliders 31 of 80 (31 positions, inverse);
// the horizontal slider 31 of 20 (31 positions).
inline constexpr std::int32_t kKnobFrames = 32, kKnobFrameHeight = 32;
inline constexpr std::int32_t kFaderPositions = 31, kVerticalFaderHeight = 80, kHorizontalFaderHeight = 20;

// The credits panel's place when shown.
inline constexpr std::int32_t kCreditsLeft = 150, kCreditsTop = 20, kCreditsRight = 360, kCreditsBottom = 180;

using K = Kind;
inline constexpr std::array<View, 49> kViews{{
    {K::HelpIcon, kNoParameter, 470, 15, 486, 31, kHelpIcon, 1, 16},
    {K::Credits, kNoParameter, 470, 15, 486, 31, kCredits, 0, 0},
    {K::Button, kFftSize, 365, 17, 405, 27, kFftSizes, 4, 10},
    {K::Button, kHopSize, 425, 17, 465, 27, kHopSizes, 4, 10},
    {K::Button, kOsc1, 260, 78, 308, 125, kWaveButtons, 4, 47},
    {K::Button, kOsc2, 323, 78, 371, 125, kWaveButtons, 4, 47},
    {K::Knob, kOsc2Volume, 428, 78, 460, 110, kKnobStrip, 0, 0},
    {K::Display, kOsc2Volume, 460, 95, 490, 110, 0, kRight, 0},
    {K::Button, kOsc2Octave, 428, 120, 460, 152, kOctaveButtons, 6, 32},
    {K::Button, kTranspose, 428, 162, 460, 194, kNumberButtons, 13, 32},
    {K::Button, kPitchbend, 290, 167, 322, 199, kNumberButtons, 13, 32},
    {K::Button, kCarrier, 110, 75, 158, 122, kCarrierButtons, 2, 47},
    {K::Knob, kAttack, 130, 157, 162, 189, kKnobStrip, 0, 0},
    {K::Display, kAttack, 120, 145, 162, 155, 0, kRight, 0},
    {K::Knob, kRelease, 177, 157, 209, 189, kKnobStrip, 0, 0},
    {K::Display, kRelease, 167, 145, 209, 155, 0, kRight, 0},
    {K::VerticalSlider, kCarrierVolume, 214, 75, 234, 155, kVerticalFader, 0, 0},
    {K::Display, kCarrierVolume, 172, 115, 214, 125, 0, kRight, 0},
    {K::VerticalSlider, kAudioGain, 72, 75, 92, 155, kVerticalFader, 0, 0},
    {K::Display, kAudioGain, 30, 105, 72, 115, 0, kRight, 0},
    {K::Knob, kAudioLimiter, 57, 165, 89, 197, kKnobStrip, 0, 0},
    {K::Display, kAudioLimiter, 15, 187, 57, 197, 0, kLeft, 0},
    {K::VerticalSlider, kLowCut, 44, 255, 64, 335, kVerticalFader, 0, 0},
    {K::Display, kLowCut, 16, 337, 58, 347, 0, kRight, 0},
    {K::Knob, kPeak1Freq, 77, 250, 109, 282, kKnobStrip, 0, 0},
    {K::Display, kPeak1Freq, 109, 250, 151, 260, 0, kLeft, 0},
    {K::Knob, kPeak1Gain, 77, 287, 109, 319, kKnobStrip, 0, 0},
    {K::Display, kPeak1Gain, 109, 287, 151, 297, 0, kLeft, 0},
    {K::Knob, kPeak1Q, 77, 324, 109, 356, kKnobStrip, 0, 0},
    {K::Display, kPeak1Q, 109, 324, 151, 334, 0, kLeft, 0},
    {K::Knob, kPeak2Freq, 183, 250, 215, 282, kKnobStrip, 0, 0},
    {K::Display, kPeak2Freq, 141, 250, 183, 260, 0, kRight, 0},
    {K::Knob, kPeak2Gain, 183, 287, 215, 319, kKnobStrip, 0, 0},
    {K::Display, kPeak2Gain, 141, 287, 183, 297, 0, kRight, 0},
    {K::Knob, kPeak2Q, 183, 324, 215, 356, kKnobStrip, 0, 0},
    {K::Display, kPeak2Q, 141, 324, 183, 334, 0, kRight, 0},
    {K::VerticalSlider, kHighCut, 228, 255, 248, 335, kVerticalFader, 0, 0},
    {K::Display, kHighCut, 233, 335, 275, 345, 0, kRight, 0},
    {K::Button, kMode, 295, 235, 343, 282, kModeButtons, 3, 47},
    {K::Display, kVocoderAttack, 292, 307, 334, 317, 0, kRight, 0},
    {K::Knob, kVocoderAttack, 302, 317, 334, 349, kKnobStrip, 0, 0},
    {K::Display, kVocoderRelease, 339, 307, 381, 317, 0, kRight, 0},
    {K::Knob, kVocoderRelease, 349, 317, 381, 349, kKnobStrip, 0, 0},
    {K::Display, kVocoderRatio, 386, 307, 428, 317, 0, kRight, 0},
    {K::Knob, kVocoderRatio, 396, 317, 428, 349, kKnobStrip, 0, 0},
    {K::Display, kVocoderThreshold, 433, 307, 475, 317, 0, kRight, 0},
    {K::Knob, kVocoderThreshold, 443, 317, 475, 349, kKnobStrip, 0, 0},
    {K::HorizontalSlider, kVocoderGain, 363, 265, 443, 285, kHorizontalFader, 0, 0},
    {K::Display, kVocoderGain, 443, 260, 485, 270, 0, kRight, 0},
}};

// The pages the formats we design add below that panel, for the parameters
// beyond the VST 2 plug-in's: tabs in the title row, each page a row of up to
// eight columns laid out from the parameters' placement (a caption, then a
// knob above its value display, or a button), and the band display (the
// voice's and the output's band levels) across the bottom, in view on
// every page.
inline constexpr int kExtensionTop = kHeight, kExtensionHeight = 150;

// The tabs' resource, a page's image and a page button's faces: the page
// buttons' images are numbered after their parameter, so a new one needs no
// number of its own.
inline constexpr std::int32_t kTabs = 128;
constexpr std::int32_t pageImage(Page page) { return 129 + static_cast<std::int32_t>(page); }
constexpr std::int32_t buttonImage(std::int32_t parameter) { return 200 + parameter; }

// Tag of the tabs, which choose the page shown and drive no parameter.
inline constexpr std::int32_t kPageTabs = 998;
inline constexpr std::int32_t kTabWidth = 56, kTabHeight = 15;

namespace extension {
constexpr std::int32_t column(int c) { return 40 + 60 * c; }  // a column's centre: eight across the panel
inline constexpr std::int32_t kCaptionY = kExtensionTop + 27;
inline constexpr std::int32_t kButtonTop = kExtensionTop + 34, kKnobTop = kExtensionTop + 38;
inline constexpr std::int32_t kDisplayTop = kExtensionTop + 74;
inline constexpr std::int32_t kTabsLeft = 14, kTabsTop = kExtensionTop + 5;
}  // namespace extension

inline constexpr View kTabsView{Kind::Tabs,
                                kPageTabs,
                                extension::kTabsLeft,
                                extension::kTabsTop,
                                extension::kTabsLeft + kTabWidth * kPages,
                                extension::kTabsTop + kTabHeight,
                                kTabs,
                                kPages,
                                kTabHeight};
// The factory presets' chooser in the title row: the name between back and
// forward arrows; its list opens over the page.
inline constexpr std::int32_t kPresetChooser = 997;
struct Box {
    std::int32_t left, top, right, bottom;
};
inline constexpr Box kPresetBar{extension::kTabsLeft + kTabWidth * kPages + 10, extension::kTabsTop, 362,
                                extension::kTabsTop + kTabHeight};
static_assert(kPresetBar.right - kPresetBar.left >= 160, "room for a preset's name beside the tabs");
inline constexpr Box kPresetList{8, kExtensionTop + 24, 492, kExtensionTop + 146};
// The TRACK page's tuner, right of its controls.
inline constexpr Box kTunerDisplay{extension::column(4) - 20, extension::kKnobTop + 4, extension::column(7) + 26,
                                   extension::kKnobTop + 30};

inline constexpr View kBandDisplayView{Kind::BandDisplay, kNoParameter, 20, kExtensionTop + 94, 480,
                                       kExtensionTop + 138, 0, 0, 0};

// The views of every page in parameter order, from the placement of each
// parameter: a button, or a knob and its value display, in its column.
inline const std::vector<View>& pageViews()
{
    static const std::vector<View> views = [] {
        using namespace extension;
        std::vector<View> all;
        for (std::int32_t tag = 0; tag < kNumParameters; ++tag) {
            const Placement& at = parameter(tag).placement;
            if (at.page == Page::first)
                continue;
            const std::int32_t x = column(at.slot);
            if (at.control == Control::button) {
                const auto faces = static_cast<std::int32_t>(parameter(tag).choices.size());
                all.push_back({Kind::Button, tag, x - 24, kButtonTop, x + 24, kButtonTop + 47, buttonImage(tag), faces, 47});
            } else {
                all.push_back({Kind::Knob, tag, x - 16, kKnobTop, x + 16, kKnobTop + 32, kKnobStrip, 0, 0});
                all.push_back({Kind::Display, tag, x - 26, kDisplayTop, x + 26, kDisplayTop + 10, 0, kCentre, 0});
            }
        }
        return all;
    }();
    return views;
}

inline Page pageOf(const View& v) { return parameter(v.tag).placement.page; }

// The view of `kind` bound to `tag` on the first panel, a page, the tabs or
// the band display; null if none has it.
inline const View* find(Kind kind, std::int32_t tag)
{
    for (const std::span<const View> table : {std::span<const View>(kViews), std::span<const View>(pageViews())})
        for (const View& v : table)
            if (v.kind == kind && v.tag == tag)
                return &v;
    for (const View* v : {&kTabsView, &kBandDisplayView})
        if (v->kind == kind && v->tag == tag)
            return v;
    return nullptr;
}

}  // namespace layout
