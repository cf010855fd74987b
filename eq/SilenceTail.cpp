#include "eq/SilenceTail.h"

#include <algorithm>

namespace {

constexpr std::int64_t kTailCheck = 4096;  // frames (fewer at rates below 2731 Hz)
constexpr float kTailFloor = 1.0e-15f;
constexpr double kTailHold = 1.5;   // seconds
constexpr double kTailFade = 0.05;  // seconds

// The frames in `seconds` at `rate`, at least 1 and at most kLongest: a rate
// too high for the count (the host may announce any float) is held there, and
// zero, a negative rate or NaN give 1 (the effect never passes those on).
std::int64_t framesIn(double seconds, float rate)
{
    const double frames = seconds * static_cast<double>(rate);
    if (!(frames >= 1.0)) {
        return 1;
    }
    return frames < static_cast<double>(SilenceTail::kLongest) ? static_cast<std::int64_t>(frames)
                                                                : SilenceTail::kLongest;
}

}  // namespace

void SilenceTail::setRate(float rate)
{
    tailHold = framesIn(kTailHold, rate);
    tailEnd = tailHold + framesIn(kTailFade, rate);
    tailCheck = std::min(kTailCheck, tailHold);
}

std::uint32_t SilenceTail::reportedFrames(float rate)
{
    SilenceTail silence;
    silence.setRate(rate);
    const std::int64_t frames = silence.endFrames();
    return frames < 0x7FFFFFFF ? static_cast<std::uint32_t>(frames) : 0x7FFFFFFFu;
}

std::int32_t SilenceTail::stretchInSilence(const StereoBuffers& rest, bool divisible) const
{
    if (!divisible) {
        return rest.frames;
    }
    // Stretches of at most tailCheck frames reach a tail point only in their
    // leading silence.
    std::int32_t count = static_cast<std::int32_t>(std::min<std::int64_t>(rest.frames, tailCheck));
    if (silentRun < tailEnd) {
        const std::int64_t toPoint = std::min(tailEnd, (silentRun / tailCheck + 1) * tailCheck) - silentRun;
        if (toPoint < count && StereoBuffers::isSilence(rest.orOfInputs(static_cast<std::int32_t>(toPoint)))) {
            count = static_cast<std::int32_t>(toPoint);
        } else if (silentRun + count > tailHold && !StereoBuffers::isSilence(rest.orOfInputs(count))) {
            const std::int32_t lead = rest.leadingSilence(count);
            if (lead > 0 && silentRun + lead > tailHold) {
                count = lead;
            }
        }
    }
    return count;
}

SilenceTail::Input SilenceTail::takeSilentEnd(const StereoBuffers& stretch)
{
    // How long the input has been silent: before these frames, and after them.
    const std::uint32_t inputBits = stretch.orOfInputs(stretch.frames);
    const Input input{StereoBuffers::isSilence(inputBits), inputBits == 0, silentRun};
    silentRun = input.silent ? std::min<std::int64_t>(input.runBefore + stretch.frames, tailEnd + 1)
                             : static_cast<std::int64_t>(stretch.trailingSilence());
    return input;
}

void SilenceTail::finishInSilence(const StereoBuffers& stretch, const Input& input, CascadeHistory& history,
                                  unsigned activeBands) const
{
    if (silentRun > tailHold) {
        const std::int32_t frames = stretch.frames;
        const std::int32_t firstSilent = input.silent ? 0 : frames - static_cast<std::int32_t>(silentRun);
        const std::int64_t runAtFirst = input.silent ? input.runBefore + 1 : 1;
        const float fadeFrames = static_cast<float>(tailEnd - tailHold);
        for (std::int32_t i = firstSilent; i < frames; ++i) {
            const std::int64_t frameRun = runAtFirst + (i - firstSilent);
            if (frameRun <= tailHold) {
                continue;
            }
            const float gain = frameRun >= tailEnd ? 0.0f : static_cast<float>(tailEnd - frameRun) / fadeFrames;
            stretch.left[i] = stretch.left[i] * gain;
            stretch.right[i] = stretch.right[i] * gain;
        }
        if (silentRun >= tailEnd) {
            cascadeClearHistories(history, activeBands);
        }
    } else if (silentRun > 0 && silentRun % tailCheck == 0 && cascadeHistoriesAreBelow(history, activeBands, kTailFloor)) {
        cascadeClearHistories(history, activeBands);
    }
}
