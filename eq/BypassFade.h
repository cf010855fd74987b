// The plug-in's bypass: a switch that any thread sets, and the crossfade the
// audio thread runs between the equalised signal (wet) and the input (dry).
// Switching moves the mix one frame at a time, over about 10 ms at the
// current rate, along an equal-gain smooth step (the two signals are
// correlated, so their gains sum to one); once it has arrived, the output is
// the input, or the equalised signal, bit for bit. The gains are computed in
// single precision by multiplications and a division alone, so every build
// gives the same bits. While the switch is on or the mix is moving, the
// effect runs its blocks in pieces of at most kPiece frames through the
// buffers here, its bands going on as ever, so the dry signal survives
// processing in place and nothing is allocated.
#pragma once

#include <atomic>
#include <cstdint>

class BypassFade {
public:
    static constexpr std::int32_t kPiece = 256;

    // Any thread. On: the output goes to the input; off: back to the
    // equalised signal. The mix starts moving at the next block.
    void set(bool on) { target.store(on, std::memory_order_relaxed); }
    bool isOn() const { return target.load(std::memory_order_relaxed); }

    // The audio thread. Whether the blocks go through the pieces: the switch
    // is on, or the mix has not yet come back to the equalised signal.
    bool engaged(bool on) const { return on || position != 0; }
    // The audio thread: the fade's length for a rate in frames per second
    // (10 ms, at least 1 frame and at most kLongest).
    void setRate(float rate);
    static constexpr std::int32_t kLongest = 1 << 22;
    std::int32_t fadeFrames() const { return length; }
    // The audio thread, for LV2's first block: the mix set where the switch
    // points, with no fade.
    void arrive(bool on) { position = on ? length : 0; }

    // The audio thread. The piece's input copied (count at most kPiece): the
    // effect then processes dryLeft/dryRight into wetLeft/wetRight, and mix()
    // writes the output, moving the mix one step a frame toward `on`.
    void keepDry(const float* left, const float* right, std::int32_t count);
    float* dryBuffer(int channel) { return dry[channel]; }
    float* wetBuffer(int channel) { return wet[channel]; }
    void mix(bool on, float* left, float* right, std::int32_t count);

    // The dry signal's gain at `step` of `frames` (0: none, frames: all of it).
    static float dryGain(std::int32_t step, std::int32_t frames);

private:
    std::atomic<bool> target{false};
    std::int32_t position = 0;  // 0: all equalised, length: all dry
    std::int32_t length = 441;
    alignas(64) float dry[2][kPiece]{};
    alignas(64) float wet[2][kPiece]{};
};
