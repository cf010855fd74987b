// How the bands' tail ends once the input is digital silence. Every
// checkFrames() frames of silence the bands are looked at, and a tail that has
// decayed below about -300 dB ends there: the bands start again from zero and
// the output is exact zero. A tail still ringing after holdFrames() (a band
// with a pole close to 0 Hz rings for minutes, far below hearing) fades out
// until endFrames() and ends. These frames count from the start of the
// silence, so the output is the same however the host divides it into blocks:
// a block is run in stretches that end on the frames where a tail may end.
// The audio thread's alone.
#pragma once

#include <cstdint>

#include "eq/Cascade.h"
#include "eq/StereoBuffers.h"

class SilenceTail {
public:
    // The lengths for a rate in frames per second. Each is at least 1 frame
    // and at most kLongest, whatever the rate: a rate so high that the hold
    // would be longer runs with the longest.
    void setRate(float rate);
    static constexpr std::int64_t kLongest = std::int64_t{1} << 53;
    std::int64_t holdFrames() const { return tailHold; }
    std::int64_t endFrames() const { return tailEnd; }
    std::int64_t checkFrames() const { return tailCheck; }

    // The tail a host is told of at a rate: the frames after which the output
    // of silence in is exact zero (endFrames), at most 2^31 - 1. Any thread.
    static std::uint32_t reportedFrames(float rate);

    // Frames of the first stretch of `rest`, what is left of a block: it ends
    // on a frame where a tail may end (or where a fading tail meets signal).
    // Where the buffers are not divisible (StereoBuffers::divisible) the block
    // runs whole.
    std::int32_t nextStretch(const StereoBuffers& rest, bool divisible) const
    {
        // Right after a signal no tail point lies within tailCheck frames.
        if (divisible && silentRun == 0) {
            return rest.frames < tailCheck ? rest.frames : static_cast<std::int32_t>(tailCheck);
        }
        return stretchInSilence(rest, divisible);
    }

    // A stretch's input, as it was taken in.
    struct Input {
        bool silent;          // every sample a zero
        bool positiveZero;    // every sample +0
        std::int64_t runBefore;  // frames of silence before the stretch
    };
    // Counts the silence of a stretch's input, before the bands run over it.
    Input takeInput(const StereoBuffers& stretch)
    {
        // A signal in the last frame ends any silence: the common case, told
        // without reading the rest.
        const std::int32_t last = stretch.frames - 1;
        if (!StereoBuffers::isSilent(stretch.inLeft[last], stretch.inRight[last])) {
            const Input input{false, false, silentRun};
            silentRun = 0;
            return input;
        }
        return takeSilentEnd(stretch);
    }
    // After the active bands have run over the stretch: a tail past the hold
    // fades out frame by frame, and the bands' histories are cleared where a
    // tail ends.
    void finish(const StereoBuffers& stretch, const Input& input, CascadeHistory& history, unsigned activeBands) const
    {
        if (silentRun != 0) {
            finishInSilence(stretch, input, history, activeBands);
        }
    }

private:
    std::int32_t stretchInSilence(const StereoBuffers& rest, bool divisible) const;
    Input takeSilentEnd(const StereoBuffers& stretch);
    void finishInSilence(const StereoBuffers& stretch, const Input& input, CascadeHistory& history,
                         unsigned activeBands) const;

    // Frames of digital silence in, up to now; the frames of silence after
    // which a tail fades out, and after which it has ended; frames of silence
    // between looks at a tail.
    std::int64_t silentRun = 0;
    std::int64_t tailHold = 0;
    std::int64_t tailEnd = 1;
    std::int64_t tailCheck = 1;
};
