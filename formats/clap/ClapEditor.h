// The CLAP editor: the plug-in's two panels embedded in the host's X11
// window, 500 × 524 and not scalable, served by the host's timer (or by the host
// watching its display connection). Gestures run from window events, so no
// call blocks the host's thread.
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

    std::uint32_t width() const { return static_cast<std::uint32_t>(gui_.width()); }
    std::uint32_t height() const { return static_cast<std::uint32_t>(gui_.height()); }
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
    bool resizeWindow(std::int32_t, std::int32_t) override { return false; }
    int bandLevels(float* voice, float* output, int capacity) override;

private:
    void stopServing();

    ClapPlugin& plugin_;
    VocoderGui gui_{*this, VocoderGui::Gestures::fromEvents, VocoderGui::Panels::extended};
    const clap_host_timer_support_t* timers_ = nullptr;
    const clap_host_posix_fd_support_t* fds_ = nullptr;
    clap_id timer_ = CLAP_INVALID_ID;
    int fd_ = -1;
};
