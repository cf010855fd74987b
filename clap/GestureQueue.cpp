#include "clap/GestureQueue.h"

namespace korvo_clap {

bool GestureQueue::push(const Gesture& gesture)
{
    const std::uint32_t write = writeIndex.load(std::memory_order_relaxed);
    const std::uint32_t used = write - readIndex.load(std::memory_order_acquire);
    const std::uint32_t room = kCapacity - used;
    if (room == 0 || (gesture.kind != Gesture::End && room <= kKeptForEnds)) {
        return false;
    }
    slots[write % kCapacity] = gesture;
    writeIndex.store(write + 1, std::memory_order_release);
    return true;
}

const Gesture* GestureQueue::front() const
{
    const std::uint32_t read = readIndex.load(std::memory_order_relaxed);
    if (read == writeIndex.load(std::memory_order_acquire)) {
        return nullptr;
    }
    return &slots[read % kCapacity];
}

void GestureQueue::pop()
{
    const std::uint32_t read = readIndex.load(std::memory_order_relaxed);
    if (read != writeIndex.load(std::memory_order_acquire)) {
        readIndex.store(read + 1, std::memory_order_release);
    }
}

}  // namespace korvo_clap
