// The editor's user-interface thread against parameter and audio threads:
// parameter notifications, the hand-over at idle and drawing (run under
// ThreadSanitizer).
#include "editor/VocoderGui.h"
#include "formats/vst2/AEffGUIEditor.h"
#include "platform/Graphics.h"
#include "formats/vst2/Vocoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

TEST(EditorThreads, NotificationsAndDrawingAgainstParameterAndAudioThreads)
{
    Vocoder plugin(nullptr);
    auto& editor = *dynamic_cast<AEffGUIEditor*>(plugin.getEditor());
    std::atomic<bool> stop{false};
    std::thread parameters([&] {
        for (int i = 0; !stop.load(); ++i)
            plugin.setParameter(i % kNumParameters, static_cast<float>(i % 97) / 96.0f);
    });
    std::thread audio([&] {
        std::vector<float> in(128, 0.1f), out1(128), out2(128);
        float* inputs[] = {in.data(), in.data()};
        float* outputs[] = {out1.data(), out2.data()};
        while (!stop.load())
            plugin.processReplacing(inputs, outputs, 128);
    });
    for (int i = 0; i < 20; ++i) {
        editor.idle();
        std::unique_ptr<platform::Image> picture(editor.gui().drawPicture());
        EXPECT_EQ(picture->width(), 500);
    }
    stop = true;
    parameters.join();
    audio.join();
}
