#include "tools/DemoSignal.h"

#include <cmath>
#include <cstdint>

namespace {

const double kPi = 3.14159265358979323846;

// White noise from a fixed xorshift generator, uniform in -1..1.
struct WhiteNoise {
    std::uint32_t state;
    explicit WhiteNoise(std::uint32_t start) : state(start) {}
    double next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }
};

// Pink noise: white noise through a sum of first-order low-passes spaced
// across the audio band, which gives close to -3 dB per octave.
struct PinkNoise {
    WhiteNoise white;
    double b[7] = {};
    explicit PinkNoise(std::uint32_t start) : white(start) {}
    double next()
    {
        const double w = white.next();
        b[0] = 0.99886 * b[0] + w * 0.0555179;
        b[1] = 0.99332 * b[1] + w * 0.0750759;
        b[2] = 0.96900 * b[2] + w * 0.1538520;
        b[3] = 0.86650 * b[3] + w * 0.3104856;
        b[4] = 0.55000 * b[4] + w * 0.5329522;
        b[5] = -0.7616 * b[5] - w * 0.0168980;
        const double pink = b[0] + b[1] + b[2] + b[3] + b[4] + b[5] + b[6] + w * 0.5362;
        b[6] = w * 0.115926;
        return pink * 0.11;
    }
};

// A short fade at both ends of a section, so the joins do not click.
double edgeFade(std::size_t i, std::size_t length, std::size_t fade)
{
    if (i < fade) return static_cast<double>(i) / static_cast<double>(fade);
    if (i + fade > length) return static_cast<double>(length - i) / static_cast<double>(fade);
    return 1.0;
}

void append(StereoAudio& audio, double left, double right)
{
    audio.left.push_back(static_cast<float>(left));
    audio.right.push_back(static_cast<float>(right));
}

}  // namespace

StereoAudio makeDemoSignal(int sampleRate)
{
    StereoAudio audio;
    audio.sampleRate = sampleRate;
    const double rate = sampleRate;
    const std::size_t fade = static_cast<std::size_t>(rate * 0.01);

    // 3 s of pink noise, slightly different on each side.
    PinkNoise pinkLeft(0x2545F491u), pinkRight(0x9E3779B9u);
    const std::size_t noiseLength = static_cast<std::size_t>(3.0 * rate);
    for (std::size_t i = 0; i < noiseLength; ++i) {
        const double g = 0.5 * edgeFade(i, noiseLength, fade);
        append(audio, g * pinkLeft.next(), g * pinkRight.next());
    }

    // 3 s logarithmic sweep from 20 Hz to 20 kHz (or just below Nyquist).
    const double f1 = 20.0, f2 = std::fmin(20000.0, 0.45 * rate), sweepSeconds = 3.0;
    const double k = std::log(f2 / f1);
    const std::size_t sweepLength = static_cast<std::size_t>(sweepSeconds * rate);
    for (std::size_t i = 0; i < sweepLength; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double phase = 2.0 * kPi * f1 * sweepSeconds / k * (std::exp(t * k / sweepSeconds) - 1.0);
        const double s = 0.4 * edgeFade(i, sweepLength, fade) * std::sin(phase);
        append(audio, s, s);
    }

    // 2 s of a drum pattern at 120 beats per minute: kick on 1 and 3, snare on
    // 2 and 4, a hi-hat on every eighth note, panned a little to the right.
    WhiteNoise snareNoise(0x1234567u), hatNoise(0x7654321u);
    const std::size_t drumLength = static_cast<std::size_t>(2.0 * rate);
    const std::size_t eighth = static_cast<std::size_t>(0.25 * rate);
    double hatPrevious = 0.0;
    for (std::size_t i = 0; i < drumLength; ++i) {
        const std::size_t step = i / eighth;
        const double t = static_cast<double>(i % eighth) / rate;  // time since this eighth began
        const double beat = static_cast<double>(i % (2 * eighth)) / rate;  // time since the beat began
        const bool onBeat = (i / (2 * eighth)) % 2 == 0;
        double kick = 0.0, snare = 0.0;
        if (onBeat && beat < 0.3) {
            const double pitch = 45.0 + 90.0 * std::exp(-beat * 30.0);
            kick = 0.9 * std::exp(-beat * 9.0) * std::sin(2.0 * kPi * pitch * beat);
        }
        const double snareHit = snareNoise.next();
        if (!onBeat && beat < 0.25) {
            snare = std::exp(-beat * 22.0) * (0.45 * snareHit + 0.25 * std::sin(2.0 * kPi * 185.0 * beat));
        }
        const double white = hatNoise.next();
        const double bright = white - hatPrevious;  // a first difference leaves mostly highs
        hatPrevious = white;
        const double hat = (step % 2 == 1 ? 0.25 : 0.15) * std::exp(-t * 70.0) * bright;
        const double g = edgeFade(i, drumLength, fade);
        append(audio, g * (kick + snare + 0.7 * hat), g * (kick + snare + 1.0 * hat));
    }

    // Headroom: the loudest sample at -3 dBFS, so the demo's boosts do not clip.
    float peak = 0.0f;
    for (std::size_t i = 0; i < audio.frames(); ++i) {
        peak = std::fmax(peak, std::fmax(std::fabs(audio.left[i]), std::fabs(audio.right[i])));
    }
    const auto scale = static_cast<float>(std::pow(10.0, -3.0 / 20.0) / static_cast<double>(peak));
    for (std::size_t i = 0; i < audio.frames(); ++i) {
        audio.left[i] *= scale;
        audio.right[i] *= scale;
    }
    return audio;
}
