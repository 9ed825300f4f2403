#include "EditorPicture.h"

#include "PluginHost.h"
#include "TemporaryFile.h"
#include "editor/VocoderGui.h"
#include "formats/vst2/AEffGUIEditor.h"
#include "platform/Graphics.h"
#include "formats/vst2/Vocoder.h"

#include <cairo.h>

#include <memory>

namespace {

AEffect* linkedEntry(audioMasterCallback host)
{
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    return (new Vocoder(host))->getAeffect();
}

}  // namespace

void writeEditorPicture(const std::function<void(PluginHost&)>& configure, const std::string& path)
{
    PluginHost host(&linkedEntry, "the linked plug-in", 44100.0f, 512);
    configure(host);
    auto* plugin = static_cast<AudioEffect*>(host.effect()->object);
    auto* editor = dynamic_cast<AEffGUIEditor*>(plugin->getEditor());
    if (!editor)
        throw HostError("the plug-in has no editor to draw");
    std::unique_ptr<platform::Image> picture(editor->gui().drawPicture());
    const std::string partial = temporaryBeside(path);
    const cairo_status_t status = cairo_surface_write_to_png(picture->surface(), partial.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        discard(partial);
        throw HostError("cannot write " + path + ": " + cairo_status_to_string(status));
    }
    moveOver(partial, path);
}
