// Renders a fixed signal through a plug-in module under several settings and
// sample rates, in blocks of uneven sizes, and writes the raw 32-bit float output.
// Run against two builds of the module, the files must be identical.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "tools/PluginLoader.h"

namespace {

VstIntPtr VSTCALLBACK probeHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// A small deterministic generator, so both platforms feed the same samples.
struct Noise {
    std::uint32_t state = 0x12345678u;
    float next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(static_cast<std::int32_t>(state)) * (1.0f / 2147483648.0f);
    }
};

struct Scenario {
    float rate;
    float values[10];
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: korvo_render_probe MODULE OUTPUT.raw\n");
        return 2;
    }
    PluginLoader loader(argv[1]);
    PluginLoader::Entry entry = loader.entry("VSTPluginMain");
    if (!entry) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], loader.error().c_str());
        return 1;
    }
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }

    const Scenario scenarios[] = {
        {44100.0f, {0.3f, 0.9f, 0.05f, 0.2f, 0.7f, 0.4f, 0.85f, 0.1f, 0.6f, 0.0f}},
        {48000.0f, {0.5f, 0.5f, 0.045f, 1.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}},
        {96000.0f, {1.0f, 0.0f, 1.0f, 0.75f, 0.0f, 0.99f, 0.3f, 1.0f, 1.0f, 1.0f}},
        {22050.0f, {0.0f, 1.0f, 0.9f, 0.9f, 0.02f, 0.6f, 0.1f, 0.35f, 1.0f, 0.95f}},
    };
    const int blockSizes[] = {1, 7, 64, 512, 333, 1024, 3, 4096};
    const int framesPerScenario = 30000;

    Noise noise;
    std::vector<float> left(4096), right(4096);
    int status = 0;
    for (const Scenario& scenario : scenarios) {
        AEffect* effect = entry(probeHost);
        if (!effect) {
            std::fprintf(stderr, "the module created no effect\n");
            status = 1;
            break;
        }
        effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, scenario.rate);
        effect->dispatcher(effect, effSetBlockSize, 0, 4096, nullptr, 0.0f);
        effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
        for (int k = 0; k < 10; ++k) {
            effect->setParameter(effect, k, scenario.values[k]);
        }
        int done = 0;
        for (int b = 0; done < framesPerScenario; ++b) {
            int frames = blockSizes[b % 8];
            if (frames > framesPerScenario - done) {
                frames = framesPerScenario - done;
            }
            for (int i = 0; i < frames; ++i) {
                left[i] = noise.next() * 0.5f;
                right[i] = noise.next() * 0.25f;
            }
            float* channels[2] = {left.data(), right.data()};  // in place, as many hosts do
            effect->processReplacing(effect, channels, channels, frames);
            std::fwrite(left.data(), sizeof(float), static_cast<std::size_t>(frames), out);
            std::fwrite(right.data(), sizeof(float), static_cast<std::size_t>(frames), out);
            done += frames;
        }
        effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
    if (std::fclose(out) != 0) {
        status = 1;
    }
    return status;
}
