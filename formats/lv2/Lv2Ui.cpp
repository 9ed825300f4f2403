// The LV2 X11 UI: the editor in the host's parent window, served through the
// idle interface, its gestures fed from window events so that no idle call
// blocks the host. It keeps its own copy of the parameter values (the host
// tells it of changes through port_event) and reads the display texts from
// the parameter table, since it may not reach the DSP instance. The band
// display takes the levels the plug-in sends on its band_levels port. The
// window is drawn at the host's ui:scaleFactor option, if it gives one, and
// follows a new one set through the options interface.
#include "Lv2Ports.h"
#include "editor/VocoderGui.h"
#include "tools/KeepLoaded.h"
#include "platform/Window.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace {

class Lv2Editor final : public EditorHost {
public:
    Lv2Editor(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Resize* resize, LV2UI_Touch* touch,
              LV2_URID_Map* map)
        : write_(write), controller_(controller), resize_(resize), touch_(touch)
    {
        if (map) {
            eventTransfer_ = map->map(map->handle, LV2_ATOM__eventTransfer);
            vector_ = map->map(map->handle, LV2_ATOM__Vector);
            float_ = map->map(map->handle, LV2_ATOM__Float);
            scaleFactor_ = map->map(map->handle, LV2_UI__scaleFactor);
        }
        for (int i = 0; i < kNumParameters; ++i)
            values_[static_cast<size_t>(i)] = kParameterTable[static_cast<size_t>(i)].defaultValue;
    }

    bool open(void* parent)
    {
        if (!gui_.open(parent))
            return false;
        if (resize_)
            resize_->ui_resize(resize_->handle, gui_.windowWidth(), gui_.windowHeight());
        return true;
    }
    LV2UI_Widget widget() const
    {
        return reinterpret_cast<LV2UI_Widget>(gui_.getFrame()->window()->id());
    }
    // ui:scaleFactor (a float) is the one option known; an open window is
    // resized and the host asked for the new size.
    std::uint32_t setOptions(const LV2_Options_Option* options)
    {
        std::uint32_t status = LV2_OPTIONS_SUCCESS;
        for (const LV2_Options_Option* o = options; o && (o->key != 0 || o->value); ++o) {
            if (scaleFactor_ == 0 || o->key != scaleFactor_) {
                status |= LV2_OPTIONS_ERR_BAD_KEY;
            } else if (o->type != float_ || o->size != sizeof(float) || !o->value) {
                status |= LV2_OPTIONS_ERR_BAD_VALUE;
            } else {
                float factor;
                std::memcpy(&factor, o->value, sizeof factor);
                gui_.setScale(factor);
                shownScale_ = static_cast<float>(gui_.scale());
            }
        }
        return status;
    }
    std::uint32_t getOptions(LV2_Options_Option* options)
    {
        std::uint32_t status = LV2_OPTIONS_SUCCESS;
        for (LV2_Options_Option* o = options; o && o->key != 0; ++o) {
            if (scaleFactor_ == 0 || o->key != scaleFactor_) {
                status |= LV2_OPTIONS_ERR_BAD_KEY;
                continue;
            }
            o->size = sizeof shownScale_;
            o->type = float_;
            o->value = &shownScale_;
        }
        return status;
    }
    int idle()
    {
        gui_.idle();
        return gui_.isOpen() ? 0 : 1;
    }
    void portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer)
    {
        if (port == lv2ports::kBandLevels) {
            takeBandLevels(size, format, buffer);
            return;
        }
        if (format != 0 || size != sizeof(float) || !lv2ports::isParameterPort(port))
            return;
        const auto index = static_cast<std::int32_t>(port - lv2ports::kFirstParameter);
        float value;
        std::memcpy(&value, buffer, sizeof value);
        values_[static_cast<size_t>(index)] = lv2ports::normalisedValue(index, value);
        gui_.parameterChanged(index);
    }

    // EditorHost
    float parameterValue(std::int32_t index) override { return values_[static_cast<size_t>(index)]; }
    void parameterText(std::int32_t index, char* text) override
    {
        text[0] = 0;
        formatParameterDisplay(index, values_[static_cast<size_t>(index)], displayStateOf(values_), text,
                               Dialect::extended);
    }
    void beginEdit(std::int32_t index) override { touch(index, true); }
    void performEdit(std::int32_t index, float value) override
    {
        if (index < 0 || index >= kNumParameters)
            return;
        const float port = lv2ports::portValue(index, value);
        values_[static_cast<size_t>(index)] = lv2ports::normalisedValue(index, port);
        write_(controller_, lv2ports::portOf(index), sizeof port, 0, &port);
        gui_.parameterChanged(index);
    }
    void endEdit(std::int32_t index) override { touch(index, false); }
    void gestureIdle() override {}
    bool resizeWindow(std::int32_t width, std::int32_t height) override
    {
        return resize_ && resize_->ui_resize(resize_->handle, width, height) == 0;
    }
    int bandLevels(float* voice, float* output, int capacity) override
    {
        const int count = std::min(capacity, bandCount_);
        std::copy_n(voice_.begin(), count, voice);
        std::copy_n(output_.begin(), count, output);
        return count;
    }
    bool tunerReading(float& sung, float& held) override
    {
        sung = sung_;
        held = held_;
        return held_ > 0.0f;
    }

private:
    // A vector of floats, the voice's levels, the output's, then the tuner's
    // reading; anything else, or without the URID map, is ignored.
    void takeBandLevels(std::uint32_t size, std::uint32_t format, const void* buffer)
    {
        if (eventTransfer_ == 0 || format != eventTransfer_ || !buffer || size < sizeof(LV2_Atom_Vector))
            return;
        const auto* atom = static_cast<const LV2_Atom_Vector*>(buffer);
        if (atom->atom.type != vector_ || atom->body.child_type != float_ || atom->body.child_size != sizeof(float) ||
            atom->atom.size < sizeof(LV2_Atom_Vector_Body) || sizeof(LV2_Atom) + atom->atom.size > size)
            return;
        const std::uint32_t values = (atom->atom.size - sizeof(LV2_Atom_Vector_Body)) / sizeof(float);
        if (values < lv2ports::kTunerValues)
            return;
        const std::uint32_t bands = (values - lv2ports::kTunerValues) / 2;
        const int count = static_cast<int>(std::min<std::uint32_t>(bands, voice_.size()));
        const auto* levels = reinterpret_cast<const float*>(atom + 1);
        std::copy_n(levels, count, voice_.begin());
        std::copy_n(levels + bands, count, output_.begin());
        bandCount_ = count;
        sung_ = levels[2 * bands];
        held_ = levels[2 * bands + 1];
    }

    void touch(std::int32_t index, bool grabbed)
    {
        if (touch_ && index >= 0 && index < kNumParameters)
            touch_->touch(touch_->handle, lv2ports::portOf(index), grabbed);
    }

    LV2UI_Write_Function write_;
    LV2UI_Controller controller_;
    LV2UI_Resize* resize_;
    LV2UI_Touch* touch_;
    std::array<float, kNumParameters> values_{};
    LV2_URID eventTransfer_ = 0, vector_ = 0, float_ = 0, scaleFactor_ = 0;
    float shownScale_ = 1.0f;
    std::array<float, VSTGUI::CBarDisplay::kMaxBars> voice_{}, output_{};
    int bandCount_ = 0;
    float sung_ = 0.0f, held_ = 0.0f;
    VocoderGui gui_{*this, VocoderGui::Gestures::fromEvents, VocoderGui::Panels::extended};
};

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    void* parent = nullptr;
    LV2UI_Resize* resize = nullptr;
    LV2UI_Touch* touch = nullptr;
    LV2_URID_Map* map = nullptr;
    const LV2_Options_Option* options = nullptr;
    for (int i = 0; features && features[i]; ++i) {
        if (std::strcmp(features[i]->URI, LV2_UI__parent) == 0)
            parent = features[i]->data;
        else if (std::strcmp(features[i]->URI, LV2_UI__resize) == 0)
            resize = static_cast<LV2UI_Resize*>(features[i]->data);
        else if (std::strcmp(features[i]->URI, LV2_UI__touch) == 0)
            touch = static_cast<LV2UI_Touch*>(features[i]->data);
        else if (std::strcmp(features[i]->URI, LV2_URID__map) == 0)
            map = static_cast<LV2_URID_Map*>(features[i]->data);
        else if (std::strcmp(features[i]->URI, LV2_OPTIONS__options) == 0)
            options = static_cast<const LV2_Options_Option*>(features[i]->data);
    }
    if (!parent || !write || !widget)
        return nullptr;
    try {
        auto editor = std::make_unique<Lv2Editor>(write, controller, resize, touch, map);
        editor->setOptions(options);
        if (!editor->open(parent))
            return nullptr;
        *widget = editor->widget();
        return editor.release();
    } catch (...) {
        return nullptr;
    }
}

void cleanup(LV2UI_Handle handle) { delete static_cast<Lv2Editor*>(handle); }

void portEvent(LV2UI_Handle handle, std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer)
{
    static_cast<Lv2Editor*>(handle)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle handle) { return static_cast<Lv2Editor*>(handle)->idle(); }

const LV2UI_Idle_Interface kIdle = {idle};

const LV2_Options_Interface kOptions = {
    [](LV2_Handle handle, LV2_Options_Option* options) { return static_cast<Lv2Editor*>(handle)->getOptions(options); },
    [](LV2_Handle handle, const LV2_Options_Option* options) {
        return static_cast<Lv2Editor*>(handle)->setOptions(options);
    }};

const void* extensionData(const char* uri)
{
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0)
        return &kIdle;
    if (std::strcmp(uri, LV2_OPTIONS__interface) == 0)
        return &kOptions;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor = {lv2ports::kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace

// Cairo's and pixman's tables outlive this library, kept reachable (see keepLoaded).
__attribute__((constructor)) static void keepCairoLoaded() { keepLoaded(reinterpret_cast<void*>(&cairo_create)); }

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
