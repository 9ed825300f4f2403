#include "EditorPicture.h"

#include "EngineHost.h"
#include "PluginHost.h"
#include "TemporaryFile.h"
#include "editor/VocoderGui.h"
#include "formats/vst2/AEffGUIEditor.h"
#include "platform/Graphics.h"
#include "formats/vst2/Vocoder.h"

#include <cairo.h>

#include <cstring>
#include <memory>

namespace {

AEffect* linkedEntry(audioMasterCallback host)
{
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    return (new Vocoder(host))->getAeffect();
}

// The editor's view of the built-in engine's parameters; no gestures reach it.
class RendererEditorHost final : public EditorHost {
public:
    explicit RendererEditorHost(Renderer& renderer) : renderer_(renderer) {}
    float parameterValue(std::int32_t index) override { return renderer_.parameter(index); }
    void parameterText(std::int32_t index, char* text) override
    {
        std::strncpy(text, renderer_.parameterDisplay(index).c_str(), 255);
        text[255] = 0;
    }
    void beginEdit(std::int32_t) override {}
    void performEdit(std::int32_t, float) override {}
    void endEdit(std::int32_t) override {}
    void gestureIdle() override {}
    bool resizeWindow(std::int32_t, std::int32_t) override { return false; }

private:
    Renderer& renderer_;
};

std::unique_ptr<platform::Image> drawEditor(const std::function<void(Renderer&)>& configure, bool extended,
                                            double scale)
{
    if (extended) {
        EngineHost engine(44100.0f, 512);
        configure(engine);
        RendererEditorHost host(engine);
        VocoderGui gui(host, VocoderGui::Gestures::fromEvents, VocoderGui::Panels::extended);
        gui.setScale(scale);
        return std::unique_ptr<platform::Image>(gui.drawPicture());
    }
    PluginHost host(&linkedEntry, "the linked plug-in", 44100.0f, 512);
    configure(host);
    auto* plugin = static_cast<AudioEffect*>(host.effect()->object);
    auto* editor = dynamic_cast<AEffGUIEditor*>(plugin->getEditor());
    if (!editor)
        throw HostError("the plug-in has no editor to draw");
    return std::unique_ptr<platform::Image>(editor->gui().drawPicture());
}

}  // namespace

std::pair<int, int> writeEditorPicture(const std::function<void(Renderer&)>& configure, const std::string& path,
                                       bool extended, double scale)
{
    const std::unique_ptr<platform::Image> picture = drawEditor(configure, extended, scale);
    const std::string partial = temporaryBeside(path);
    const cairo_status_t status = cairo_surface_write_to_png(picture->surface(), partial.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        discard(partial);
        throw HostError("cannot write " + path + ": " + cairo_status_to_string(status));
    }
    moveOver(partial, path);
    return {cairo_image_surface_get_width(picture->surface()), cairo_image_surface_get_height(picture->surface())};
}
