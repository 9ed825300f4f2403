// The CLAP editor: the plug-in's two panels embedded in the host's X11
// window, 500 × 524 units at the scale the host sets, not resizable, served
// by the host's timer (or by the host watching its display connection).
// Gestures run from window events, so no call blocks the host's thread.
#pragma once

#include "clap_abi.h"
#include "editor/VocoderGui.h"

class ClapPlugin;

class ClapEditor final : public EditorHost {
public:
    // The gui, timer-support and posix-fd-support extensions, or null.
    static const void* extension(const char* id);

    explicit ClapEditor(ClapPlugin& plugin);
    ~ClapEditor();
    ClapEditor(const ClapEditor&) = delete;
    ClapEditor& operator=(const ClapEditor&) = delete;

    // The window's size in pixels.
    std::uint32_t width() const { return static_cast<std::uint32_t>(gui_.windowWidth()); }
    std::uint32_t height() const { return static_cast<std::uint32_t>(gui_.windowHeight()); }
    // False for a factor that is not a number above 0.
    bool setScale(double factor);
    bool setParent(unsigned long window);
    bool setVisible(bool visible);
    // Takes over the host's changes, reads the window's events and redraws.
    void idle();

    // EditorHost
    float parameterValue(std::int32_t index) override;
    void parameterText(std::int32_t index, char* text) override;
    void beginEdit(std::int32_t index) override;
    void performEdit(std::int32_t index, float value) override;
    void endEdit(std::int32_t index) override;
    void gestureIdle() override {}
    // An open window's new size (after a new scale), asked of the host.
    bool resizeWindow(std::int32_t width, std::int32_t height) override;
    int bandLevels(float* voice, float* output, int capacity) override;
    bool tunerReading(float& sung, float& held) override;

private:
    void stopServing();

    ClapPlugin& plugin_;
    VocoderGui gui_{*this, VocoderGui::Gestures::fromEvents, VocoderGui::Panels::extended};
    const clap_host_timer_support_t* timers_ = nullptr;
    const clap_host_posix_fd_support_t* fds_ = nullptr;
    const clap_host_gui_t* hostGui_ = nullptr;
    clap_id timer_ = CLAP_INVALID_ID;
    int fd_ = -1;
};
