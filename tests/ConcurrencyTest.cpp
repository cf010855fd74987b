// Settings change on one thread while another processes audio. Built under
// ThreadSanitizer as well, which reports any unsynchronised access.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "eq/EqEffect.h"
#include "eq/ParameterState.h"
#include "gui/GuiWindow.h"
#include "gui/LedControl.h"
#include "tests/support/TestCanvas.h"

namespace {

TEST(Concurrency, AReaderNeverTakesHalfOfALoad)
{
    ParameterState state;
    float ones[kNumParameters], twos[kNumParameters];
    for (int k = 0; k < kNumParameters; ++k) {
        ones[k] = 0.1f;
        twos[k] = 0.2f;
    }
    std::atomic<bool> done{false};
    std::atomic<int> whole{0};
    // Loads go on until the reader, however the threads are scheduled, has
    // taken a good number whole.
    std::thread writer([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (int n = 0; n < 100000 || (whole.load() < 1000 && std::chrono::steady_clock::now() < deadline); ++n) {
            state.load(n % 2 ? ones : twos);
        }
        done = true;
    });
    int torn = 0;
    while (!done.load()) {
        float values[kNumParameters];
        float rate = 0.0f;
        if (!state.snapshot(values, rate)) {
            continue;
        }
        whole.fetch_add(1);
        for (int k = 1; k < kNumParameters; ++k) {
            torn += values[k] != values[0];
        }
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    EXPECT_GT(whole.load(), 0);
}

TEST(Concurrency, ASavedChunkNeverMixesTwoStatesOfABand)
{
    // Automation moves A-Freq, then A-Gain, to the same rising value: every
    // state the effect passes through has the frequency at or above the gain.
    EqEffect effect(nullptr);
    effect.setParameter(2, 0.0f);
    effect.setParameter(3, 0.0f);
    std::atomic<bool> done{false};
    std::thread automation([&] {
        for (int n = 1; n <= 200000; ++n) {
            const float x = static_cast<float>(n) / 200000.0f;
            effect.setParameter(2, x);
            effect.setParameter(3, x);
        }
        done = true;
    });
    int mixed = 0, saves = 0;
    while (!done.load()) {
        void* data = nullptr;
        ASSERT_EQ(effect.getChunk(&data, true), 40);
        const float* values = static_cast<const float*>(data);
        mixed += values[2] < values[3];
        ++saves;
    }
    automation.join();
    EXPECT_EQ(mixed, 0) << "of " << saves << " saves";
}

TEST(Concurrency, ParameterWritesDuringProcessingKeepTheOutputFinite)
{
    EqEffect effect(nullptr);
    std::atomic<bool> done{false};
    std::thread automation([&] {
        std::mt19937 random(3);
        std::uniform_real_distribution<float> value(0.0f, 1.0f);
        for (int i = 0; i < 20000; ++i) {
            effect.setParameter(i % 10, value(random));
            if (i % 1000 == 0) {
                effect.setSampleRate(i % 2000 == 0 ? 48000.0f : 44100.0f);
            }
        }
        done = true;
    });
    std::vector<float> left(256), right(256);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    bool finite = true;
    int blocks = 0;
    while (!done.load() || blocks < 10) {
        for (int i = 0; i < 256; ++i) {
            left[i] = sample(random);
            right[i] = sample(random);
        }
        float* io[2] = {left.data(), right.data()};
        effect.processReplacing(io, io, 256);
        for (int i = 0; i < 256; ++i) {
            finite = finite && std::isfinite(left[i]) && std::isfinite(right[i]);
        }
        ++blocks;
    }
    automation.join();
    EXPECT_TRUE(finite);
}

// A host's threads all at once, with the editor open: audio, two automation
// threads, presets loaded and displays read, and the window's own thread
// painting, ticking and dragging a knob. Under ThreadSanitizer nothing may be
// reported; at the end every control shows the effect's value.
TEST(Concurrency, AHostsThreadsWithTheEditorOpen)
{
    TestCanvas canvas;
    setGuiPlatform(&canvas);
    {
        EqEffect effect(nullptr);
        auto* editor = static_cast<GuiWindow*>(effect.getEditor());
        ASSERT_NE(editor, nullptr);
        std::atomic<bool> stop{false}, othersDone{false};
        std::atomic<int> windowRounds{0};
        std::vector<std::string> mismatches;
        std::vector<std::thread> threads;
        threads.emplace_back([&] {  // the window's thread
            WindowHandle host = canvas.createTopLevelWindow(800, 100, 0, 0);
            editor->open(host);
            const WindowHandle window = editor->getWindow();
            for (int round = 0; !stop.load(); ++round, ++windowRounds) {
                canvas.sendMessage(window, kMessagePaint, 0, 0);
                canvas.sendMessage(window, kMessageLeftButtonDown, 0, SoftwareCanvas::pointParam(247, 37));
                for (int step = 1; step <= 20; ++step) {
                    const int y = 37 + (round % 2 ? step : -step);
                    canvas.sendMessage(window, kMessageMouseMove, 0, SoftwareCanvas::pointParam(247, y));
                    canvas.fireTimers(window);
                }
                canvas.sendMessage(window, kMessageLeftButtonUp, 0, SoftwareCanvas::pointParam(247, 37));
                editor->idle();
            }
            while (!othersDone.load()) std::this_thread::yield();
            canvas.fireTimers(window);
            for (GuiControl* control : editor->getControls()) {
                const float value = effect.getParameter(control->paramIndex);
                const auto* led = dynamic_cast<LedControl*>(control);
                const bool shown = led ? led->isLit() == gainIsActive(value) : control->getValue() == usableValue(value);
                if (!shown || control->dirty) mismatches.push_back(std::to_string(control->paramIndex));
            }
            editor->close();
        });
        for (unsigned stream : {1u, 2u}) {
            threads.emplace_back([&, stream] {  // two threads automating, each its own values
                std::mt19937 random(stream);
                while (!stop.load()) {
                    effect.setParameter(static_cast<VstInt32>(random() % 10), static_cast<float>(random() % 1000) / 999.0f);
                }
            });
        }
        threads.emplace_back([&] {  // presets and displays
            float program[10] = {0.1f, 0.9f, 0.2f, 0.8f, 0.3f, 0.7f, 0.4f, 0.6f, 0.5f, 0.05f};
            char text[64];
            void* saved = nullptr;
            while (!stop.load()) {
                effect.setChunk(program, 40, true);
                const VstInt32 size = effect.getChunk(&saved, false);
                effect.setChunk(saved, size, false);
                for (VstInt32 k = 0; k < 10; ++k) effect.getParameterDisplay(k, text);
            }
        });
        threads.emplace_back([&] {  // audio
            std::vector<float> left(256, 0.25f), right(256, -0.25f);
            for (int block = 0; !stop.load(); ++block) {
                float* io[2] = {left.data(), right.data()};
                effect.processReplacing(io, io, 256);
                if (block % 50 == 0) effect.setSampleRate(block % 100 ? 48000.0f : 44100.0f);
            }
        });
        while (windowRounds.load() < 50) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::seconds(2));
        stop = true;
        for (std::size_t t = 1; t < threads.size(); ++t) threads[t].join();
        othersDone = true;
        threads[0].join();
        EXPECT_TRUE(mismatches.empty()) << "controls not showing the effect's value: " << mismatches.size();
    }
    setGuiPlatform(nullptr);
}

}  // namespace
