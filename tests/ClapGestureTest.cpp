// The editor's gestures on their way to a CLAP host: the ring they wait in,
// and the whole path from the effect's edit calls (as its editor makes them)
// to the host's output events, through the face linked into this program.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "clap/EqInstance.h"
#include "clap/GestureQueue.h"
#include "clap/PluginFactory.h"
#include "host/EffectBaseX.h"
#include "tests/support/ClapHost.h"

using korvo_clap::Gesture;
using korvo_clap::GestureQueue;

namespace {

TEST(ClapGestureQueue, KeepsOrderAndKeepsRoomForTheEndOfEveryOpenGesture)
{
    GestureQueue queue;
    EXPECT_EQ(queue.front(), nullptr);
    std::uint32_t taken = 0;
    while (queue.push({taken % 2 ? Gesture::Value : Gesture::Begin, taken % 10, 0.25 * taken})) {
        ++taken;
    }
    EXPECT_EQ(taken, GestureQueue::kCapacity - GestureQueue::kKeptForEnds);
    for (std::uint32_t n = 0; n < GestureQueue::kKeptForEnds; ++n) {
        EXPECT_TRUE(queue.push({Gesture::End, n, 0.0})) << n;
    }
    EXPECT_FALSE(queue.push({Gesture::End, 0, 0.0}));
    for (std::uint32_t n = 0; n < GestureQueue::kCapacity; ++n) {
        const Gesture* front = queue.front();
        ASSERT_NE(front, nullptr) << n;
        EXPECT_EQ(front->kind, n < taken ? (n % 2 ? Gesture::Value : Gesture::Begin) : Gesture::End) << n;
        EXPECT_EQ(front->parameter, n < taken ? n % 10 : n - taken) << n;
        queue.pop();
    }
    EXPECT_EQ(queue.front(), nullptr);
    EXPECT_TRUE(queue.push({Gesture::Begin, 1, 0.0}));
}

// The editor's thread and the audio thread at once (the thread sanitizer's
// build runs this too): every event arrives, whole and in order.
TEST(ClapGestureQueue, HandsEveryEventOverInOrderBetweenTwoThreads)
{
    GestureQueue queue;
    constexpr std::uint32_t kEvents = 20000;
    std::thread producer([&] {
        for (std::uint32_t n = 0; n < kEvents;) {
            if (queue.push({Gesture::End, n % 10, static_cast<double>(n)})) {
                ++n;
            } else {
                std::this_thread::yield();
            }
        }
    });
    std::uint32_t next = 0;
    while (next < kEvents) {
        if (const Gesture* front = queue.front()) {
            ASSERT_EQ(front->value, static_cast<double>(next));
            ASSERT_EQ(front->parameter, next % 10);
            queue.pop();
            ++next;
        } else {
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_EQ(queue.front(), nullptr);
}

class ClapGestures : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(plugin.isReady());
        ASSERT_TRUE(plugin.start(48000.0, 512));
        effect = dynamic_cast<EffectBaseX*>(
            &static_cast<korvo_clap::EqInstance*>(plugin.plugin->plugin_data)->getEffect());
        ASSERT_NE(effect, nullptr);
    }

    // The events the host takes from a block of silence.
    std::vector<ClapHost::OutputEvents::Event> process(ClapHost::OutputEvents& out)
    {
        float in[2][16] = {}, result[2][16];
        float* inputs[2] = {in[0], in[1]};
        float* outputs[2] = {result[0], result[1]};
        plugin.process(inputs, outputs, 16, nullptr, &out);
        return out.taken;
    }

    ClapHost host{korvo_clap::PluginFactory::factory()};
    ClapHost::Plugin plugin{host, korvo_clap::PluginFactory::kPluginId};
    EffectBaseX* effect = nullptr;
};

TEST_F(ClapGestures, AKnobsEditReachesTheHostFromProcessAsBeginValueEnd)
{
    effect->beginEdit(3);
    effect->setParameterAutomated(3, 0.8f);
    effect->endEdit(3);
    EXPECT_EQ(host.flushRequests, 3);
    EXPECT_EQ(effect->getParameter(3), 0.8f);

    ClapHost::OutputEvents out;
    const auto events = process(out);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(events[1].type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(events[1].value, static_cast<double>(0.8f));
    EXPECT_EQ(events[2].type, CLAP_EVENT_PARAM_GESTURE_END);
    for (const auto& event : events) {
        EXPECT_EQ(event.id, 3u);
        EXPECT_EQ(event.time, 0u);
    }
    ClapHost::OutputEvents again;
    EXPECT_TRUE(process(again).empty());
}

TEST_F(ClapGestures, FlushHandsOverWhatTheHostHasRoomForAndKeepsTheRest)
{
    effect->setParameterAutomated(5, 0.25f);  // a value without a begin opens the gesture
    effect->endEdit(5);
    ClapHost::OutputEvents one(1);
    plugin.params->flush(plugin.plugin, nullptr, one.list());
    ASSERT_EQ(one.taken.size(), 1u);
    EXPECT_EQ(one.taken[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    ClapHost::OutputEvents rest;
    plugin.params->flush(plugin.plugin, nullptr, rest.list());
    ASSERT_EQ(rest.taken.size(), 2u);
    EXPECT_EQ(rest.taken[0].type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(rest.taken[0].value, 0.25);
    EXPECT_EQ(rest.taken[1].type, CLAP_EVENT_PARAM_GESTURE_END);
}

TEST_F(ClapGestures, AGestureThatBeganEndsEvenWhenTheHostFallsBehind)
{
    effect->beginEdit(0);
    for (int n = 0; n < 2 * static_cast<int>(GestureQueue::kCapacity); ++n) {
        effect->setParameterAutomated(0, static_cast<float>(n) / 1000.0f);
    }
    effect->beginEdit(1);  // no room: this gesture is dropped whole
    effect->setParameterAutomated(1, 0.5f);
    effect->endEdit(1);
    effect->endEdit(0);
    ClapHost::OutputEvents out;
    const auto events = process(out);
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front().type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(events.back().type, CLAP_EVENT_PARAM_GESTURE_END);
    for (const auto& event : events) {
        EXPECT_EQ(event.id, 0u);
    }
}

}  // namespace
