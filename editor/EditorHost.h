// What the editor asks of the plug-in it edits, in any format: the current
// values and their texts, edit gestures and changes, the host's idle service
// while a control holds the mouse, a new window size, and the levels the
// band display shows.
#pragma once

#include <cstdint>

class EditorHost {
public:
    // The normalised value of parameter `index`.
    virtual float parameterValue(std::int32_t index) = 0;
    // Its display text (at most 255 characters and a terminating zero).
    virtual void parameterText(std::int32_t index, char* text) = 0;
    // A user's change of a parameter: begin, any number of values, end.
    virtual void beginEdit(std::int32_t index) = 0;
    virtual void performEdit(std::int32_t index, float value) = 0;
    virtual void endEdit(std::int32_t index) = 0;
    // Called over and over while a control's own loop holds the mouse; the
    // host side paces it and serves the editor's and the host's idle.
    virtual void gestureIdle() = 0;
    // Asks the host to resize the editor's window; false if it did not.
    virtual bool resizeWindow(std::int32_t width, std::int32_t height) = 0;
    // The latest band levels of the voice and of the output, in dB, at most
    // `capacity` of each; how many it gave (none where the format has none).
    virtual int bandLevels(float* voice, float* output, int capacity)
    {
        (void)voice;
        (void)output;
        (void)capacity;
        return 0;
    }

    // What the tuner shows while the synthesiser follows the voice: the
    // voice's pitch and the note held for it, as MIDI numbers; false when
    // there is nothing to show (or the format has no tuner).
    virtual bool tunerReading(float& sung, float& held)
    {
        (void)sung;
        (void)held;
        return false;
    }

protected:
    ~EditorHost() = default;
};
