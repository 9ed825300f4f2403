#include "VocoderGui.h"

#include "AnimatedControls.h"
#include "Layout.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CFrame.h"
#include "toolkit/CKnob.h"
#include "toolkit/CListChooser.h"
#include "toolkit/CParamDisplay.h"
#include "toolkit/CSplashScreen.h"
#include "toolkit/Controls.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cmath>
#include <cstring>

using namespace VSTGUI;

namespace {
// The band display spans 72 dB below full scale; a bar falls by its whole
// height in 20 idle calls (two thirds of a second at 30 a second).
constexpr float kBandRangeDb = 72.0f;
constexpr float kBandFall = 0.05f;
}  // namespace

void formatParameterText(float, char* text, void* binding)
{
    const auto* b = static_cast<const DisplayBinding*>(binding);
    char shown[256] = {};
    b->host->parameterText(b->index, shown);
    shown[sizeof shown - 1] = 0;
    const char* suffix = kParameterTable[static_cast<size_t>(b->index)].editorSuffix;
    std::snprintf(text, 256, "%s%s", shown, suffix ? suffix : "");
}

VocoderGui::VocoderGui(EditorHost& host, Gestures gestures, Panels panels)
    : host_(host), gestures_(gestures), panels_(panels), background_(new CBitmap(layout::kBackground))
{
    knobModeSetting = FrameServices::kLinearMode;
    for (std::int32_t i = 0; i < kNumParameters; ++i)
        displayBindings_[static_cast<size_t>(i)] = {&host, i};
}

VocoderGui::~VocoderGui()
{
    destroyFrame();
    releaseViews();
    background_->releaseRef();
}

std::int32_t VocoderGui::width() const { return background_->width(); }
std::int32_t VocoderGui::height() const
{
    return background_->height() + (panels_ == Panels::extended ? layout::kExtensionHeight : 0);
}

std::int32_t VocoderGui::windowWidth() const { return platform::pixelsOf(width(), scale_); }
std::int32_t VocoderGui::windowHeight() const { return platform::pixelsOf(height(), scale_); }

double VocoderGui::supportedScale(double factor)
{
    if (!(factor > 0.0))
        return 1.0;
    return factor < 1.25 ? 1.0 : factor < 1.75 ? 1.5 : 2.0;
}

void VocoderGui::setScale(double factor)
{
    scale_ = supportedScale(factor);
    if (frame_)
        frame_->setScale(scale_);
}

bool VocoderGui::open(void* parent)
{
    if (!parent || (frame_ && frame_->inGesture() && modalGestures()))
        return false;
    close();
    return adopt(new CFrame({0, 0, width(), height()}, parent, this, scale_));
}

bool VocoderGui::openTopLevel(const std::string& title)
{
    if (frame_ && frame_->inGesture() && modalGestures())
        return false;
    close();
    return adopt(new CFrame({0, 0, width(), height()}, TopLevel{title}, this, scale_));
}

bool VocoderGui::adopt(CFrame* frame)
{
    if (!frame->isOpen()) {
        delete frame;
        return false;
    }
    changed_.store(0, std::memory_order_relaxed);  // the new views take the values as they are now
    buildViews(frame);
    frame_ = frame;
    return true;
}

// A gesture in a loop of its own holds the frame on the stack below this
// call: the close waits for its end. A gesture fed from events ends here.
void VocoderGui::close()
{
    if (frame_ && frame_->inGesture()) {
        if (modalGestures()) {
            closePending_ = true;
            return;
        }
        frame_->endGesture();
    }
    destroyFrame();
}

void VocoderGui::destroyFrame()
{
    closePending_ = false;
    delete frame_;
    frame_ = nullptr;
}

bool VocoderGui::onKeyDown(const KeyCode& key) { return frame_ && frame_->onKeyDown(key) == 1; }

bool VocoderGui::onKeyUp(const KeyCode& key) { return frame_ && frame_->onKeyUp(key) == 1; }

bool VocoderGui::onWheel(float distance)
{
    if (!frame_)
        return false;
    CDrawContext* context = frame_->windowContext();
    CPoint where;
    if (context)
        context->readMouseLocation(where);
    const bool taken = frame_->onWheel(context, where, distance);
    if (context)
        context->releaseRef();
    return taken;
}

void VocoderGui::buildViews(CFrame* target)
{
    releaseViews();
    target->setBackground(background_);

    // Each image once, made when a view first needs it.
    std::vector<CBitmap*> bitmaps;
    const auto bitmap = [&](std::int32_t id) {
        for (CBitmap* b : bitmaps)
            if (b->resourceId() == id)
                return b;
        bitmaps.push_back(new CBitmap(id));
        return bitmaps.back();
    };
    // One image of the strip at the view's top left: an image that failed to
    // load gives an empty rectangle.
    const auto placed = [&](const layout::View& v, std::int32_t frames) {
        const CBitmap* b = bitmap(v.image);
        return CRect{v.left, v.top, v.left + b->width(), v.top + b->height() / frames};
    };

    using layout::Kind;
    // The view for a table entry, kept by the editor; the caller attaches it.
    const auto make = [&](const layout::View& v) -> CView* {
        const auto index = static_cast<size_t>(v.tag);
        CControl* made = nullptr;
        switch (v.kind) {
        case Kind::HelpIcon:
            helpIcon_ = new CMovieBitmap(placed(v, v.frames), this, v.tag, v.frames, v.frameHeight, bitmap(v.image));
            return helpIcon_;
        case Kind::Credits:
            credits_ = new CSplashScreen({v.left, v.top, v.right, v.bottom}, this, v.tag, bitmap(v.image),
                                         {layout::kCreditsLeft, layout::kCreditsTop, layout::kCreditsRight,
                                          layout::kCreditsBottom});
            return credits_;
        case Kind::Tabs:
            tabs_ = new CHorizontalSwitch(placed(v, v.frames), this, v.tag, v.frames, v.frameHeight, v.frames,
                                          bitmap(v.image));
            tabs_->setValue(v.frames > 1 ? static_cast<float>(page_) / static_cast<float>(v.frames - 1) : 0.0f);
            return tabs_;
        case Kind::Button:
            made = new CAnimMovieButton(placed(v, v.frames), this, v.tag, v.frames, v.frameHeight, bitmap(v.image));
            break;
        case Kind::Knob:
            made = new CAnimKnob(placed(v, layout::kKnobFrames), this, v.tag, layout::kKnobFrames,
                                 layout::kKnobFrameHeight, bitmap(v.image));
            break;
        case Kind::VerticalSlider:
            made = new CAnimVerticalSlider(placed(v, layout::kFaderPositions), this, v.tag, layout::kFaderPositions,
                                           layout::kVerticalFaderHeight, layout::kFaderPositions, bitmap(v.image),
                                           {}, true);
            break;
        case Kind::HorizontalSlider:
            made = new CAnimHorizontalSlider(placed(v, layout::kFaderPositions), this, v.tag,
                                             layout::kFaderPositions, layout::kHorizontalFaderHeight,
                                             layout::kFaderPositions, bitmap(v.image), {}, false);
            break;
        case Kind::Display: {
            auto* display = new CParamDisplay({v.left, v.top, v.right, v.bottom}, nullptr, 0);
            display->setHorizontalAlignment(v.frames);
            display->setTextStyle(kBoldFace);
            display->setFont(5);
            display->setFontColor({51, 51, 51, 0});
            display->setBackColor({231, 232, 228, 0});
            display->setFrameColor({231, 232, 228, 0});
            display->setValueFormatter(formatParameterText, &displayBindings_[index]);
            display->setValue(host_.parameterValue(v.tag));
            displays_[index] = display;
            return display;
        }
        case Kind::BandDisplay:
            bands_ = new CBarDisplay({v.left, v.top, v.right, v.bottom}, {20, 21, 24, 0}, {190, 194, 200, 0},
                                     {242, 132, 36, 0});
            return bands_;
        }
        made->setValue(host_.parameterValue(v.tag));
        controls_[index] = made;
        return made;
    };
    for (const layout::View& v : layout::kViews)
        target->addView(make(v));
    if (panels_ == Panels::extended) {
        extension_ = new CView({0, layout::kExtensionTop, layout::kWidth, layout::kExtensionTop + layout::kExtensionHeight});
        extension_->setMouseEnabled(false);
        target->addView(extension_);
        target->addView(make(layout::kTabsView));
        target->addView(make(layout::kBandDisplayView));
        // Every page's views are made, so that a hidden page follows its
        // parameters too; only the page shown is on the frame.
        for (const layout::View& v : layout::pageViews()) {
            CView* view = make(v);
            const int page = pageNumber(layout::pageOf(v));
            pageViews_[static_cast<size_t>(page)].push_back(view);
            if (page == page_)
                target->addView(view);
        }
        for (int page = 0; page < kPages; ++page)
            pageImages_[static_cast<size_t>(page)] = bitmap(layout::pageImage(static_cast<Page>(page + 1)));
        for (CBitmap* image : pageImages_)
            image->addRef();
        extension_->setBackground(pageImages_[static_cast<size_t>(page_)]);
        const layout::Box tuner = layout::kTunerDisplay;
        tuner_ = new CParamDisplay({tuner.left, tuner.top, tuner.right, tuner.bottom}, nullptr, 0);
        tuner_->setFont(1);
        tuner_->setTextStyle(kBoldFace);
        tuner_->setFontColor({51, 51, 51, 0});
        tuner_->setBackColor({231, 232, 228, 0});
        tuner_->setFrameColor({231, 232, 228, 0});
        tuner_->setValueFormatter(
            [](float, char* text, void* gui) {
                std::snprintf(text, 256, "%s", static_cast<VocoderGui*>(gui)->tunerText_.c_str());
            },
            this);
        const int trackPage = pageNumber(Page::track);
        pageViews_[static_cast<size_t>(trackPage)].push_back(tuner_);
        if (page_ == trackPage)
            target->addView(tuner_);
        const layout::Box bar = layout::kPresetBar, list = layout::kPresetList;
        presets_ = new CListChooser({bar.left, bar.top, bar.right, bar.bottom},
                                    {list.left, list.top, list.right, list.bottom}, this, layout::kPresetChooser,
                                    PresetSelection::names(),
                                    {{231, 232, 228, 0}, {51, 51, 51, 0}, {242, 132, 36, 0}, {150, 152, 148, 0}});
        target->addView(presets_);
        showPreset();
    }
    for (CBitmap* b : bitmaps)
        b->releaseRef();
}

void VocoderGui::showPage(int page)
{
    if (page < 0 || page >= kPages || page == page_)
        return;
    if (!frame_ || !extension_) {  // shown when the editor opens
        page_ = page;
        return;
    }
    for (CView* view : pageViews_[static_cast<size_t>(page_)])
        frame_->removeView(view, false);
    for (CView* view : pageViews_[static_cast<size_t>(page)])
        frame_->addView(view);
    page_ = page;
    extension_->setBackground(pageImages_[static_cast<size_t>(page)]);
    if (tabs_ && kPages > 1)
        tabs_->setValue(static_cast<float>(page) / static_cast<float>(kPages - 1));
    frame_->markFrameDirty();
}

// The editor's creation references; the frame has let go of its own.
void VocoderGui::releaseViews()
{
    const auto release = [](auto*& view) {
        if (view)
            view->releaseRef();
        view = nullptr;
    };
    release(helpIcon_);
    release(credits_);
    release(extension_);
    release(bands_);
    release(tabs_);
    release(presets_);
    release(tuner_);
    for (auto& views : pageViews_)
        views.clear();
    for (auto*& image : pageImages_)
        release(image);
    for (auto*& c : controls_)
        release(c);
    for (auto*& d : displays_)
        release(d);
}

void VocoderGui::parameterChanged(std::int32_t index)
{
    if (static_cast<std::uint32_t>(index) >= static_cast<std::uint32_t>(kNumParameters))
        return;
    changed_.fetch_or(changeBit(index), std::memory_order_release);
}

void VocoderGui::takeOverChanges()
{
    ChangeMask changed = changed_.exchange(0, std::memory_order_acquire);
    if (changed && panels_ == Panels::extended)
        showPreset();
    while (changed) {
        const int index = std::countr_zero(changed);
        changed &= changed - 1;
        if (CControl* c = controls_[static_cast<size_t>(index)])
            c->setValue(host_.parameterValue(index));
        if (CParamDisplay* d = displays_[static_cast<size_t>(index)])
            d->setValue(host_.parameterValue(index));
    }
}

// The preset's name as the parameters' values stand.
void VocoderGui::showPreset()
{
    presetSelection_.follow();
    if (!presets_)
        return;
    presets_->setText(presetSelection_.text());
    presets_->setValue(static_cast<float>(std::max(presetSelection_.index(), 0)));
}

// The held note's name and the voice's cents from it ("A3 +12 cents"), or a
// dash while the voice is not followed.
void VocoderGui::showTuner()
{
    static constexpr const char* kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    float sung = 0.0f, held = 0.0f;
    std::string text = "-";
    if (host_.tunerReading(sung, held) && std::isfinite(sung) && std::isfinite(held)) {
        const int note = static_cast<int>(std::lround(std::clamp(held, 0.0f, 127.0f)));
        const int cents = static_cast<int>(std::lround(std::clamp((sung - static_cast<float>(note)) * 100.0f, -999.0f, 999.0f)));
        char reading[48];
        std::snprintf(reading, sizeof reading, "%s%d  %+d cents", kNames[note % 12], note / 12 - 1, cents);
        text = reading;
    }
    if (text == tunerText_)
        return;
    tunerText_ = text;
    tuner_->setDirty();
}

// The host's latest levels onto the bars: a bar rises to its level at once
// and falls towards it at a steady pace.
void VocoderGui::showBandLevels()
{
    float voice[CBarDisplay::kMaxBars], output[CBarDisplay::kMaxBars];
    const int count = std::clamp(host_.bandLevels(voice, output, CBarDisplay::kMaxBars), 0, CBarDisplay::kMaxBars);
    if (count == 0)
        return;
    const auto follow = [](float& shown, float db) {
        const float level = std::clamp((db + kBandRangeDb) / kBandRangeDb, 0.0f, 1.0f);
        shown = std::max(level, shown - kBandFall);
    };
    for (int b = 0; b < count; ++b) {
        follow(shownVoice_[static_cast<size_t>(b)], voice[b]);
        follow(shownOutput_[static_cast<size_t>(b)], output[b]);
    }
    bands_->setLevels(shownVoice_.data(), shownOutput_.data(), count);
}

void VocoderGui::idle()
{
    takeOverChanges();
    if (bands_)
        showBandLevels();
    if (tuner_)
        showTuner();
    if (frame_)
        frame_->idle();
    if (closePending_ && frame_ && !frame_->inGesture())
        close();
}

void VocoderGui::valueChanged(CDrawContext*, CControl* control)
{
    const std::int32_t tag = control->getTag();
    if (tag == layout::kPageTabs) {
        showPage(static_cast<int>(std::lround(control->getValue() * static_cast<float>(kPages - 1))));
    } else if (tag == layout::kPresetChooser) {
        presetSelection_.choose(static_cast<int>(std::lround(control->getValue())));
        showPreset();
    }
    else if (isParameter(tag)) {
        host_.performEdit(tag, control->getValue());
    }
}

bool VocoderGui::isParameter(std::int32_t tag) { return tag >= 0 && tag < kNumParameters; }

bool VocoderGui::modifierClicked(CDrawContext*, CControl*, std::int32_t) { return false; }

platform::Image* VocoderGui::drawPicture()
{
    takeOverChanges();
    CFrame offscreen({0, 0, width(), height()}, nullptr, this, scale_);
    std::array<CControl*, kNumParameters> shown = controls_;
    std::array<CParamDisplay*, kNumParameters> shownDisplays = displays_;
    CMovieBitmap* shownIcon = helpIcon_;
    CSplashScreen* shownCredits = credits_;
    CView* shownExtension = extension_;
    CBarDisplay* shownBands = bands_;
    CControl* shownTabs = tabs_;
    CListChooser* shownPresets = presets_;
    CParamDisplay* shownTuner = tuner_;
    auto shownPages = pageViews_;
    auto shownImages = pageImages_;
    // The picture's own views: the editor's stay as they are.
    controls_ = {};
    displays_ = {};
    helpIcon_ = nullptr;
    credits_ = nullptr;
    extension_ = nullptr;
    bands_ = nullptr;
    tabs_ = nullptr;
    presets_ = nullptr;
    tuner_ = nullptr;
    for (auto& views : pageViews_)
        views.clear();
    pageImages_ = {};
    buildViews(&offscreen);
    if (bands_)
        showBandLevels();
    if (tuner_)
        showTuner();
    auto* picture = new platform::Image(width(), height(), scale_);
    {
        CDrawContext context(&offscreen, picture);
        offscreen.update(&context);
    }
    releaseViews();
    controls_ = shown;
    displays_ = shownDisplays;
    helpIcon_ = shownIcon;
    credits_ = shownCredits;
    extension_ = shownExtension;
    bands_ = shownBands;
    tabs_ = shownTabs;
    presets_ = shownPresets;
    tuner_ = shownTuner;
    pageViews_ = shownPages;
    pageImages_ = shownImages;
    return picture;
}
