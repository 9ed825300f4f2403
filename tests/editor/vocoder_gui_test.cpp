// The plug-in's editor without a window: its texts, its picture against the
// parameters, the hand-over of parameter changes, and what its controls
// send to the host.
#include "editor/Layout.h"
#include "editor/VocoderGui.h"
#include "presets/FactoryPresets.h"
#include "platform/Graphics.h"
#include "formats/vst2/AEffGUIEditor.h"
#include "formats/vst2/Vocoder.h"
#include "toolkit/CControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Call {
    VstInt32 opcode, index;
    float value;
};
std::vector<Call> calls;

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    if (opcode == audioMasterVersion)
        return 2400;
    calls.push_back({opcode, index, opt});
    return 0;
}

struct Rig {
    Rig() { calls.clear(); }
    Vocoder plugin{host};
    AEffGUIEditor& editorHost = *dynamic_cast<AEffGUIEditor*>(plugin.getEditor());
    VocoderGui& editor = editorHost.gui();
    std::unique_ptr<platform::Image> picture() { return std::unique_ptr<platform::Image>(editor.drawPicture()); }
};

std::string displayText(Rig& rig, VstInt32 index)
{
    DisplayBinding binding{&rig.editorHost, index};
    char text[256];
    formatParameterText(-5.0f, text, &binding);
    return text;
}

// The picture's pixels over a rectangle, as one string of words.
std::vector<std::uint32_t> area(const platform::Image& image, int left, int top, int right, int bottom)
{
    std::vector<std::uint32_t> pixels;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            pixels.push_back(image.pixel(x, y));
    return pixels;
}

const layout::View& viewOf(layout::Kind kind, VstInt32 tag) { return *layout::find(kind, tag); }

// The table's defaults, texts of the values, and every band at one level.
struct TableHost : EditorHost {
    TableHost()
    {
        for (int i = 0; i < kNumParameters; ++i)
            values[static_cast<size_t>(i)] = kParameterTable[static_cast<size_t>(i)].defaultValue;
    }
    float parameterValue(std::int32_t index) override { return values[static_cast<size_t>(index)]; }
    void parameterText(std::int32_t index, char* text) override
    {
        std::snprintf(text, 256, "%.2f", values[static_cast<size_t>(index)]);
    }
    void beginEdit(std::int32_t) override { ++open; }
    void performEdit(std::int32_t index, float value) override
    {
        values[static_cast<size_t>(index)] = value;
        edits += open > 0 ? 1 : 1000;
    }
    void endEdit(std::int32_t) override { --open; }
    void gestureIdle() override {}
    bool resizeWindow(std::int32_t, std::int32_t) override { return false; }
    int bandLevels(float* voice, float* output, int capacity) override
    {
        const int count = std::min(capacity, 32);
        for (int b = 0; b < count; ++b) {
            voice[b] = level;
            output[b] = level - 6.0f;
        }
        return count;
    }
    std::array<float, kNumParameters> values{};
    float level = -120.0f;
    int open = 0, edits = 0;
};

}  // namespace

TEST(VocoderGui, DisplaysShowThePluginsTextAndHertzForTheCuts)
{
    Rig rig;
    char plain[256] = {};
    rig.plugin.getParameterDisplay(kLowCut, plain);
    EXPECT_EQ(displayText(rig, kLowCut), std::string(plain) + "Hz");
    rig.plugin.getParameterDisplay(kHighCut, plain);
    EXPECT_EQ(displayText(rig, kHighCut), std::string(plain) + "Hz");
    rig.plugin.getParameterDisplay(kPeak1Freq, plain);
    EXPECT_EQ(displayText(rig, kPeak1Freq), plain);  // the value argument plays no part
    EXPECT_EQ(VocoderGui::knobModeSetting.load(), VSTGUI::FrameServices::kLinearMode);
}

TEST(VocoderGui, OpensOnlyWithAWindow)
{
    Rig rig;
    EXPECT_FALSE(rig.editor.open(nullptr));
    EXPECT_EQ(rig.editor.getFrame(), nullptr);
    EXPECT_EQ(rig.editor.control(kMode), nullptr);
    rig.editor.idle();  // nothing to do, nothing to crash
    rig.editor.close();
}

// The picture shows every control and display as the parameters stand, with
// the displays' light boxes (their colours carry alpha 0, drawn solid).
TEST(VocoderGui, PictureFollowsTheParameters)
{
    Rig rig;
    const auto before = rig.picture();
    const auto& display = viewOf(layout::Kind::Display, kAudioGain);
    EXPECT_EQ(before->pixel(display.left + 2, display.top + 1) & 0xFFFFFF, 0xE7E8E4u);

    const auto& mode = viewOf(layout::Kind::Button, kMode);
    const auto& knob = viewOf(layout::Kind::Knob, kAttack);
    rig.plugin.setParameter(kMode, 0.5f);  // carrier mode: the middle image
    rig.plugin.setParameter(kAttack, 1.0f);
    const auto after = rig.picture();
    EXPECT_NE(area(*before, mode.left, mode.top, mode.right, mode.bottom),
              area(*after, mode.left, mode.top, mode.right, mode.bottom));
    EXPECT_NE(area(*before, knob.left, knob.top, knob.right, knob.bottom),
              area(*after, knob.left, knob.top, knob.right, knob.bottom));
    const auto& osc = viewOf(layout::Kind::Button, kOsc1);
    EXPECT_EQ(area(*before, osc.left, osc.top, osc.right, osc.bottom),
              area(*after, osc.left, osc.top, osc.right, osc.bottom));
}

TEST(VocoderGui, ParameterNotificationsOutsideTheTableChangeNothing)
{
    Rig rig;
    const auto before = rig.picture();
    for (VstInt32 index : {28, 999, -1, -2147483647 - 1}) {
        rig.editor.parameterChanged(index);
        rig.plugin.setParameter(index, 1.0f);
    }
    rig.editor.idle();
    const auto after = rig.picture();
    EXPECT_EQ(area(*before, 0, 0, layout::kWidth, layout::kHeight), area(*after, 0, 0, layout::kWidth, layout::kHeight));
}

// A control's change is an automated change of its own parameter; the help
// and credits controls (tag 999) reach the plug-in but never the host.
TEST(VocoderGui, ControlChangesAreAutomatedChanges)
{
    struct Probe : VSTGUI::CControl {
        using CControl::CControl;
        void draw(VSTGUI::CDrawContext*) override {}
    };
    Rig rig;
    Probe attack({0, 0, 1, 1}, &rig.editor, kAttack);
    attack.setValue(0.75f);
    rig.editor.valueChanged(nullptr, &attack);
    EXPECT_EQ(rig.plugin.getParameter(kAttack), 0.75f);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[0].index, kAttack);
    EXPECT_EQ(calls[0].value, 0.75f);

    calls.clear();
    Probe credits({0, 0, 1, 1}, &rig.editor, layout::kNoParameter);
    credits.setValue(1.0f);
    rig.editor.valueChanged(nullptr, &credits);
    rig.editor.beginEdit(layout::kNoParameter);
    rig.editor.endEdit(layout::kNoParameter);
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(rig.editor.modifierClicked(nullptr, &credits, VSTGUI::kShift | VSTGUI::kLButton));
}

// The editor of the formats we design, behind its host interface: the
// extension panel's pixels change where each parameter beyond the VST 2
// plug-in's is shown when the host changes it, and nowhere on the first
// panel; the band display shows the host's levels and, with silence, falls
// to rest and stays there.
TEST(VocoderGui, TheExtensionPanelFollowsItsParametersAndTheBandLevels)
{
    TableHost host;
    VocoderGui editor(host, VocoderGui::Gestures::fromEvents, VocoderGui::Panels::extended);
    EXPECT_EQ(editor.height(), layout::kHeight + layout::kExtensionHeight);
    const auto picture = [&] { return std::unique_ptr<platform::Image>(editor.drawPicture()); };
    for (std::int32_t index = kVst2Parameters; index < kNumParameters; ++index) {
        editor.showPage(pageNumber(parameter(index).placement.page));
        const auto before = picture();
        host.values[static_cast<size_t>(index)] = host.values[static_cast<size_t>(index)] > 0.5f ? 0.0f : 1.0f;
        editor.parameterChanged(index);
        const auto after = picture();
        const layout::View* control = layout::find(layout::Kind::Knob, index);
        if (!control)
            control = layout::find(layout::Kind::Button, index);
        ASSERT_NE(control, nullptr) << index;
        EXPECT_NE(area(*before, control->left, control->top, control->right, control->bottom),
                  area(*after, control->left, control->top, control->right, control->bottom))
            << kParameterTable[static_cast<size_t>(index)].title;
        if (const layout::View* display = layout::find(layout::Kind::Display, index)) {
            EXPECT_NE(area(*before, display->left, display->top, display->right, display->bottom),
                      area(*after, display->left, display->top, display->right, display->bottom))
                << kParameterTable[static_cast<size_t>(index)].title;
        }
        EXPECT_EQ(area(*before, 0, 0, layout::kWidth, layout::kHeight), area(*after, 0, 0, layout::kWidth, layout::kHeight));
    }

    const layout::View& bands = *layout::find(layout::Kind::BandDisplay, layout::kNoParameter);
    const auto bandPixels = [&] { return area(*picture(), bands.left, bands.top, bands.right, bands.bottom); };
    const auto silent = bandPixels();
    host.level = -12.0f;
    const auto speaking = bandPixels();
    EXPECT_NE(speaking, silent);
    host.level = -120.0f;
    EXPECT_NE(bandPixels(), silent) << "the bars fall at a steady pace";
    for (int look = 0; look < 20; ++look)  // each picture takes the levels as an idle call does
        bandPixels();
    EXPECT_EQ(bandPixels(), silent) << "the bars fall to rest";
    EXPECT_EQ(bandPixels(), silent) << "and stay there";
}

namespace {

// Grey levels (0 … 255) of a picture's pixels, averaged over blocks of
// `block` × `block`.
std::vector<double> greys(const platform::Image& image, int block)
{
    const int w = image.pixelWidth() / block, h = image.pixelHeight() / block;
    std::vector<double> out(static_cast<size_t>(w) * h);
    for (int y = 0; y < h * block; ++y)
        for (int x = 0; x < w * block; ++x) {
            const std::uint32_t p = image.pixel(x, y);
            const double grey = (((p >> 16) & 0xFF) * 0.3 + ((p >> 8) & 0xFF) * 0.59 + (p & 0xFF) * 0.11);
            out[static_cast<size_t>(y / block) * w + x / block] += grey / (block * block);
        }
    return out;
}

// Steps of more than 64 grey levels between horizontal neighbours, counted
// apart for steps from an even to an odd column and from an odd to an even one.
std::pair<int, int> sharpSteps(const platform::Image& image)
{
    const std::vector<double> g = greys(image, 1);
    const int w = image.pixelWidth(), h = image.pixelHeight();
    std::pair<int, int> steps{0, 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x + 1 < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            if (std::abs(g[i + 1] - g[i]) > 64.0)
                ++(x % 2 == 0 ? steps.first : steps.second);
        }
    return steps;
}

}  // namespace

// At 1.5 and 2 pixels a unit the editor is the same picture at that size,
// drawn from artwork at twice the size: averaged back to one pixel a unit
// the 2× picture matches the 1× one, and the scaled pictures' edges are
// about as sharp in their own pixels as the 1× picture's (scaling up the 1×
// images would make them half as sharp).
TEST(VocoderGui, ScaledItIsTheSamePictureDrawnSharp)
{
    TableHost host;
    host.level = -20.0f;
    VocoderGui editor(host, VocoderGui::Gestures::fromEvents, VocoderGui::Panels::extended);
    const auto picture = [&] { return std::unique_ptr<platform::Image>(editor.drawPicture()); };
    const auto one = picture();
    editor.setScale(2.0);
    EXPECT_EQ(std::pair(editor.windowWidth(), editor.windowHeight()), std::pair(1000, 1048));
    const auto two = picture();
    ASSERT_EQ(std::pair(two->pixelWidth(), two->pixelHeight()), std::pair(1000, 1048));
    editor.setScale(1.6);  // the nearest scale is 1.5
    EXPECT_EQ(std::pair(editor.windowWidth(), editor.windowHeight()), std::pair(750, 786));
    const auto oneAndAHalf = picture();
    ASSERT_EQ(std::pair(oneAndAHalf->pixelWidth(), oneAndAHalf->pixelHeight()), std::pair(750, 786));

    const std::vector<double> a = greys(*one, 1), b = greys(*two, 2);
    double difference = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
        difference += std::abs(a[i] - b[i]);
    EXPECT_LT(difference / static_cast<double>(a.size()), 5.0) << "mean grey difference";

    // Where the 1× picture steps sharply, the 2× one does along edges twice
    // as long, and inside its 2 × 2 blocks too (not blocks of one colour).
    const auto [oneEven, oneOdd] = sharpSteps(*one);
    const auto [twoInside, twoAcross] = sharpSteps(*two);
    const auto [halfEven, halfOdd] = sharpSteps(*oneAndAHalf);
    const double oneSteps = oneEven + oneOdd;
    EXPECT_GT((twoInside + twoAcross) / oneSteps, 1.8);
    EXPECT_GT(twoInside, 0.35 * twoAcross);
    EXPECT_GT((halfEven + halfOdd) / oneSteps, 1.25);
}

// The preset chooser of the formats we design: a new instance's values are
// the preset Init; picking a preset sets each parameter it changes as one
// edit, and a later change marks its name as edited until the values are
// the preset's again; values a change away from a preset name it, edited.
// The picture shows the name in the title row.
TEST(VocoderGui, PresetsArePickedAndMarkedAsEdited)
{
    TableHost host;
    VocoderGui editor(host, VocoderGui::Gestures::fromEvents, VocoderGui::Panels::extended);
    editor.parameterChanged(kGlide);
    editor.followChanges();
    EXPECT_EQ(editor.presetSelection().text(), "Init");
    const auto names = PresetSelection::names();
    const int lead = static_cast<int>(std::find(names.begin(), names.end(), "Gliding Lead") - names.begin());
    struct Probe : VSTGUI::CControl {
        using CControl::CControl;
        void draw(VSTGUI::CDrawContext*) override {}
    } chooser({0, 0, 1, 1}, &editor, layout::kPresetChooser);
    const auto before = std::unique_ptr<platform::Image>(editor.drawPicture());
    chooser.setValue(static_cast<float>(lead));
    editor.valueChanged(nullptr, &chooser);
    EXPECT_EQ(host.values, findFactoryPreset("Gliding Lead")->allValues());
    EXPECT_GT(host.edits, 10);
    EXPECT_LT(host.edits, 1000) << "every value inside its edit";
    EXPECT_EQ(host.open, 0);
    EXPECT_EQ(editor.presetSelection().text(), "Gliding Lead");
    const auto after = std::unique_ptr<platform::Image>(editor.drawPicture());
    const layout::Box bar = layout::kPresetBar;
    EXPECT_NE(area(*before, bar.left, bar.top, bar.right, bar.bottom), area(*after, bar.left, bar.top, bar.right, bar.bottom));

    const float glide = host.values[kGlide];
    host.values[kGlide] = 0.9f;
    editor.parameterChanged(kGlide);
    editor.followChanges();
    EXPECT_EQ(editor.presetSelection().text(), "Gliding Lead *");
    host.values[kGlide] = glide;
    editor.parameterChanged(kGlide);
    editor.followChanges();
    EXPECT_EQ(editor.presetSelection().text(), "Gliding Lead");

    // A new editor on values one change away from a preset names it as edited.
    TableHost other;
    other.values = findFactoryPreset("Clear Voice")->allValues();
    other.values[kFormant] = 0.0f;
    VocoderGui opened(other, VocoderGui::Gestures::fromEvents, VocoderGui::Panels::extended);
    opened.parameterChanged(kFormant);
    opened.followChanges();
    EXPECT_EQ(opened.presetSelection().text(), "Clear Voice *");
}

// The TRACK page's tuner shows the held note and the voice's cents from it
// as the host reads them, and a dash while there is no reading.
TEST(VocoderGui, TheTunerShowsTheHeldNoteAndTheVoicesCents)
{
    struct TunedHost : TableHost {
        bool tunerReading(float& sung, float& held) override
        {
            sung = reading;
            held = 57.0f;
            return reading > 0.0f;
        }
        float reading = 0.0f;
    } host;
    VocoderGui editor(host, VocoderGui::Gestures::fromEvents, VocoderGui::Panels::extended);
    editor.showPage(pageNumber(Page::track));
    const layout::Box tuner = layout::kTunerDisplay;
    const auto shown = [&] {
        const auto picture = std::unique_ptr<platform::Image>(editor.drawPicture());
        return area(*picture, tuner.left, tuner.top, tuner.right, tuner.bottom);
    };
    const auto silent = shown();
    EXPECT_EQ(editor.tunerText(), "-");
    host.reading = 57.12f;
    const auto singing = shown();
    EXPECT_EQ(editor.tunerText(), "A3  +12 cents");
    EXPECT_NE(singing, silent);
    host.reading = 56.9f;
    shown();
    EXPECT_EQ(editor.tunerText(), "A3  -10 cents");
}
