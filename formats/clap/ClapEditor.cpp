#include "ClapEditor.h"

#include "ClapPlugin.h"
#include "platform/Window.h"

#include <cassert>
#include <cmath>
#include <cstring>

namespace {

constexpr std::uint32_t kIdlePeriodMs = 20;

ClapPlugin& pluginOf(const clap_plugin_t* plugin) { return ClapPlugin::of(plugin); }

bool isApiSupported(const clap_plugin_t*, const char* api, bool floating)
{
    return api && std::strcmp(api, CLAP_WINDOW_API_X11) == 0 && !floating;
}

bool preferredApi(const clap_plugin_t*, const char** api, bool* floating)
{
    if (!api || !floating)
        return false;
    *api = CLAP_WINDOW_API_X11;
    *floating = false;
    return true;
}

bool create(const clap_plugin_t* plugin, const char* api, bool floating)
{
    ClapPlugin& p = pluginOf(plugin);
    assert(p.onMainThread());
    if (!isApiSupported(plugin, api, floating) || p.editor())
        return false;
    try {
        p.editor() = std::make_unique<ClapEditor>(p);
    } catch (...) {
        return false;
    }
    return true;
}

void destroy(const clap_plugin_t* plugin)
{
    assert(pluginOf(plugin).onMainThread());
    pluginOf(plugin).editor().reset();
}

bool setScale(const clap_plugin_t* plugin, double scale)
{
    ClapEditor* editor = pluginOf(plugin).editor().get();
    return editor && editor->setScale(scale);
}

bool getSize(const clap_plugin_t* plugin, std::uint32_t* width, std::uint32_t* height)
{
    const ClapEditor* editor = pluginOf(plugin).editor().get();
    if (!editor || !width || !height)
        return false;
    *width = editor->width();
    *height = editor->height();
    return true;
}

bool canResize(const clap_plugin_t*) { return false; }

bool resizeHints(const clap_plugin_t*, clap_gui_resize_hints_t*) { return false; }

bool adjustSize(const clap_plugin_t* plugin, std::uint32_t* width, std::uint32_t* height)
{
    return getSize(plugin, width, height);
}

bool setSize(const clap_plugin_t* plugin, std::uint32_t width, std::uint32_t height)
{
    const ClapEditor* editor = pluginOf(plugin).editor().get();
    return editor && width == editor->width() && height == editor->height();
}

bool setParent(const clap_plugin_t* plugin, const clap_window_t* window)
{
    ClapEditor* editor = pluginOf(plugin).editor().get();
    if (!editor || !window || !window->api || std::strcmp(window->api, CLAP_WINDOW_API_X11) != 0)
        return false;
    return editor->setParent(window->x11);
}

bool setTransient(const clap_plugin_t*, const clap_window_t*) { return false; }

void suggestTitle(const clap_plugin_t*, const char*) {}

bool show(const clap_plugin_t* plugin)
{
    ClapEditor* editor = pluginOf(plugin).editor().get();
    return editor && editor->setVisible(true);
}

bool hide(const clap_plugin_t* plugin)
{
    ClapEditor* editor = pluginOf(plugin).editor().get();
    return editor && editor->setVisible(false);
}

void onTimer(const clap_plugin_t* plugin, clap_id)
{
    if (ClapEditor* editor = pluginOf(plugin).editor().get())
        editor->idle();
}

void onFd(const clap_plugin_t* plugin, int, std::uint32_t) { onTimer(plugin, 0); }

const clap_plugin_gui_t kGui = {isApiSupported, preferredApi, create,    destroy,      setScale,
                                getSize,        canResize,    resizeHints, adjustSize, setSize,
                                setParent,      setTransient, suggestTitle, show,      hide};
const clap_plugin_timer_support_t kTimerSupport = {onTimer};
const clap_plugin_posix_fd_support_t kFdSupport = {onFd};

}  // namespace

const void* ClapEditor::extension(const char* id)
{
    if (std::strcmp(id, CLAP_EXT_GUI) == 0)
        return &kGui;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0)
        return &kTimerSupport;
    if (std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0)
        return &kFdSupport;
    return nullptr;
}

ClapEditor::ClapEditor(ClapPlugin& plugin)
    : plugin_(plugin),
      timers_(plugin.hostExtension<clap_host_timer_support_t>(CLAP_EXT_TIMER_SUPPORT)),
      fds_(plugin.hostExtension<clap_host_posix_fd_support_t>(CLAP_EXT_POSIX_FD_SUPPORT)),
      hostGui_(plugin.hostExtension<clap_host_gui_t>(CLAP_EXT_GUI))
{
}

ClapEditor::~ClapEditor() { stopServing(); }

bool ClapEditor::setParent(unsigned long window)
{
    if (gui_.isOpen() || !gui_.open(reinterpret_cast<void*>(window)))
        return false;
    // The host's timer if it has one, else its watch on the display connection.
    if (timers_ && timers_->register_timer(plugin_.host(), kIdlePeriodMs, &timer_))
        return true;
    timer_ = CLAP_INVALID_ID;
    const int fd = gui_.getFrame()->window()->connectionNumber();
    if (fds_ && fds_->register_fd(plugin_.host(), fd, CLAP_POSIX_FD_READ))
        fd_ = fd;
    return true;
}

bool ClapEditor::setScale(double factor)
{
    if (!(factor > 0.0) || !std::isfinite(factor))
        return false;
    gui_.setScale(factor);
    return true;
}

bool ClapEditor::resizeWindow(std::int32_t width, std::int32_t height)
{
    return hostGui_ && hostGui_->request_resize &&
           hostGui_->request_resize(plugin_.host(), static_cast<std::uint32_t>(width),
                                    static_cast<std::uint32_t>(height));
}

bool ClapEditor::setVisible(bool visible)
{
    if (!gui_.isOpen())
        return false;
    gui_.getFrame()->window()->setVisible(visible);
    return true;
}

void ClapEditor::stopServing()
{
    if (timer_ != CLAP_INVALID_ID && timers_)
        timers_->unregister_timer(plugin_.host(), timer_);
    if (fd_ >= 0 && fds_)
        fds_->unregister_fd(plugin_.host(), fd_);
    timer_ = CLAP_INVALID_ID;
    fd_ = -1;
}

void ClapEditor::idle()
{
    const ChangeMask changes = plugin_.takeEditorChanges();
    for (std::int32_t i = 0; i < kNumParameters; ++i)
        if (changes & changeBit(i))
            gui_.parameterChanged(i);
    gui_.idle();
}

float ClapEditor::parameterValue(std::int32_t index) { return plugin_.parameters().value(index); }

int ClapEditor::bandLevels(float* voice, float* output, int capacity)
{
    return plugin_.bandMeter().read(voice, output, capacity);
}

bool ClapEditor::tunerReading(float& sung, float& held) { return plugin_.tunerReading(sung, held); }

void ClapEditor::parameterText(std::int32_t index, char* text)
{
    text[0] = 0;
    plugin_.parameters().display(index, text);
}

void ClapEditor::beginEdit(std::int32_t index) { plugin_.beginEdit(index); }

void ClapEditor::performEdit(std::int32_t index, float value) { plugin_.performEdit(index, value); }

void ClapEditor::endEdit(std::int32_t index) { plugin_.endEdit(index); }
