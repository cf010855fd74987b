// What a block costs through each face, the modules loaded as a host loads
// them: the VST2 module's processReplacing, the VST3 bundle's process with
// its ProcessData, and the CLAP module's process with its clap_process, at 64
// and 1024 frames, all four bands active.
//
//   vst2            processReplacing, the parameters untouched;
//   vst3            process with no parameter changes;
//   clap            process with no events;
//   vst2 automated  every parameter set once a block at its own offset, the
//                   block processed in the stretches between (what a VST2 host
//                   does for sample-accurate automation);
//   vst3 automated  the same changes handed to process as one point on each
//                   parameter's queue, which the face splits the block at;
//   clap automated  the same changes as one param-value event per parameter,
//                   in time order, which the face splits the block at.
//
// The lines at the end set vst3 and clap against vst2, and each face's
// automated block against its plain block, fastest repetition of each case
// with --benchmark_repetitions.
//
//   korvo_face_bench --vst2=build/linux/KorvoEQ.so --vst3=build/linux/KorvoEQ.vst3/Contents/x86_64-linux/KorvoEQ.so
//                    --clap=build/linux/KorvoEQ.clap
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/VstAbi.h"
#include "tests/support/ClapHost.h"
#include "tests/support/Vst3Host.h"
#include "tools/PluginLoader.h"
#include "tools/Vst3Module.h"

namespace {

std::string vst2Path = KORVO_VST2_MODULE;
std::string vst3Path = KORVO_VST3_MODULE;
std::string clapPath = KORVO_CLAP_MODULE;
constexpr int kBlocks[] = {64, 1024};
// All four bands active: low shelf, A, B and high shelf boosted or cut.
const float kSettings[10] = {0.2f, 0.7f, 0.045f, 0.8f, 0.6f, 0.3f, 0.35f, 0.4f, 0.6f, 0.75f};

VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The value parameter p takes in block b, and its offset there: each moves
// a little every block, at its own place in it.
float movingValue(int p, long long b) { return kSettings[p] + 0.01f * static_cast<float>((b + p) % 3); }
int changeOffset(int p, int frames) { return (p * 37 + 5) % frames; }

// The four buffers of a block, laid out the same way in every case (one
// page-aligned allocation, each buffer 64 bytes after the last), so neither face
// gains or loses by where its buffers happen to fall.
struct Signal {
    explicit Signal(int frames)
        : stride((static_cast<std::size_t>(frames) + 16 + 15) / 16 * 16),
          memory(static_cast<float*>(std::aligned_alloc(4096, (4 * stride * sizeof(float) + 4095) / 4096 * 4096))),
          left(memory), right(memory + stride), outLeft(memory + 2 * stride), outRight(memory + 3 * stride)
    {
        for (std::size_t i = 0; i < static_cast<std::size_t>(frames); ++i) {
            left[i] = 0.25f * static_cast<float>((i * 7919u) % 1000u) / 1000.0f - 0.125f;
            right[i] = -left[i];
        }
    }
    ~Signal() { std::free(memory); }
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    std::size_t stride;
    float* memory;
    float *left, *right, *outLeft, *outRight;
};

void vst2Case(benchmark::State& state, int frames, bool automated)
{
    PluginLoader loader(vst2Path);
    AEffect* effect = loader.isLoaded() ? loader.entry("VSTPluginMain")(&hostCallback) : nullptr;
    if (!effect) {
        state.SkipWithError(("cannot load " + vst2Path).c_str());
        return;
    }
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    effect->dispatcher(effect, effSetBlockSize, 0, frames, nullptr, 0.0f);
    for (int p = 0; p < 10; ++p) effect->setParameter(effect, p, kSettings[p]);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    Signal s(frames);
    long long block = 0;
    // The change points of a block, in time order, and the parameters at each.
    std::vector<std::pair<int, int>> points;
    for (int p = 0; p < 10; ++p) points.emplace_back(changeOffset(p, frames), p);
    std::sort(points.begin(), points.end());
    for (auto _ : state) {
        if (!automated) {
            float* ins[2] = {s.left, s.right};
            float* outs[2] = {s.outLeft, s.outRight};
            effect->processReplacing(effect, ins, outs, frames);
        } else {
            int done = 0;
            for (std::size_t k = 0; k <= points.size(); ++k) {
                const int until = k < points.size() ? points[k].first : frames;
                if (until > done) {
                    float* ins[2] = {s.left + done, s.right + done};
                    float* outs[2] = {s.outLeft + done, s.outRight + done};
                    effect->processReplacing(effect, ins, outs, until - done);
                    done = until;
                }
                if (k < points.size()) effect->setParameter(effect, points[k].second, movingValue(points[k].second, block));
            }
        }
        ++block;
        benchmark::DoNotOptimize(s.outLeft);
    }
    state.SetItemsProcessed(state.iterations() * frames);
    effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

void vst3Case(benchmark::State& state, int frames, bool automated)
{
    Vst3Module module(vst3Path);
    vst3::PClassInfo info{};
    if (!module.factory() || module.factory()->getClassInfo(0, &info) != vst3::kResultOk) {
        state.SkipWithError(("cannot load " + vst3Path + ": " + module.error()).c_str());
        return;
    }
    auto plugin = std::make_unique<Vst3Plugin>(module.factory(), info.cid);
    for (int p = 0; plugin->isReady() && p < 10; ++p) plugin->controller->setParamNormalized(p, kSettings[p]);
    if (!plugin->isReady() || !plugin->start(48000.0, frames)) {
        state.SkipWithError("the VST3 instance did not start");
        return;
    }
    // The first block hands over the settings, as a host's first block does.
    ParameterChangeList settings;
    for (int p = 0; p < 10; ++p) settings.add(static_cast<vst3::ParamID>(p), 0, kSettings[p]);
    Signal s(frames);
    float* ins[2] = {s.left, s.right};
    float* outs[2] = {s.outLeft, s.outRight};
    plugin->process(ins, outs, frames, &settings);
    ParameterChangeList changes;
    for (int p = 0; p < 10; ++p) changes.add(static_cast<vst3::ParamID>(p), changeOffset(p, frames), kSettings[p]);
    ParameterChangeList none;
    // The host's structures for every block, made once as a host keeps them.
    vst3::AudioBusBuffers input{}, output{};
    input.numChannels = output.numChannels = 2;
    input.channelBuffers32 = ins;
    output.channelBuffers32 = outs;
    vst3::ProcessData data{};
    data.processMode = vst3::kRealtime;
    data.symbolicSampleSize = vst3::kSample32;
    data.numSamples = frames;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &input;
    data.outputs = &output;
    data.inputParameterChanges = automated ? static_cast<vst3::IParameterChanges*>(&changes) : &none;
    long long block = 0;
    for (auto _ : state) {
        if (automated) {
            for (int p = 0; p < 10; ++p) changes.queues[static_cast<std::size_t>(p)]->points[0].second = movingValue(p, block);
        }
        plugin->processor->process(data);
        ++block;
        benchmark::DoNotOptimize(s.outLeft);
    }
    state.SetItemsProcessed(state.iterations() * frames);
}

void clapCase(benchmark::State& state, int frames, bool automated)
{
    ClapHost host(clapPath);
    auto plugin = host.factory() ? std::make_unique<ClapHost::Plugin>(host, "com.vardle.korvo-eq") : nullptr;
    if (!plugin || !plugin->isReady()) {
        state.SkipWithError(("cannot load " + clapPath + ": " + host.error()).c_str());
        return;
    }
    // The settings handed over before the first block, as a host restores them.
    ClapHost::InputEvents settings;
    for (int p = 0; p < 10; ++p) settings.add(0, static_cast<clap_id>(p), kSettings[p]);
    ClapHost::OutputEvents out;
    plugin->params->flush(plugin->plugin, settings.list(), out.list());
    if (!plugin->start(48000.0, static_cast<std::uint32_t>(frames))) {
        state.SkipWithError("the CLAP instance did not start");
        return;
    }
    // One value per parameter at its offset, in time order.
    std::vector<std::pair<int, int>> points;
    for (int p = 0; p < 10; ++p) points.emplace_back(changeOffset(p, frames), p);
    std::sort(points.begin(), points.end());
    ClapHost::InputEvents changes;
    for (const auto& [offset, p] : points) {
        changes.add(static_cast<std::uint32_t>(offset), static_cast<clap_id>(p), kSettings[p]);
    }
    ClapHost::InputEvents none;
    // The host's structures for every block, made once as a host keeps them.
    Signal s(frames);
    float* ins[2] = {s.left, s.right};
    float* outs[2] = {s.outLeft, s.outRight};
    clap_audio_buffer_t input{ins, nullptr, 2, 0, 0}, output{outs, nullptr, 2, 0, 0};
    clap_process_t data{};
    data.steady_time = -1;
    data.frames_count = static_cast<std::uint32_t>(frames);
    data.audio_inputs = &input;
    data.audio_outputs = &output;
    data.audio_inputs_count = data.audio_outputs_count = 1;
    data.in_events = (automated ? changes : none).list();
    data.out_events = out.list();
    long long block = 0;
    for (auto _ : state) {
        if (automated) {
            for (std::size_t k = 0; k < points.size(); ++k) {
                changes.values[k].value = movingValue(points[k].second, block);
            }
        }
        plugin->plugin->process(plugin->plugin, &data);
        ++block;
        benchmark::DoNotOptimize(s.outLeft);
    }
    state.SetItemsProcessed(state.iterations() * frames);
}

// The fastest time of each case, by name, in nanoseconds.
class FastestReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const double seconds = run.GetAdjustedRealTime();
            auto [it, fresh] = fastest.emplace(run.run_name.function_name, seconds);
            if (!fresh) it->second = std::min(it->second, seconds);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> fastest;
};

}  // namespace

int main(int argc, char** argv)
{
    std::vector<char*> kept;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--vst2=", 7) == 0) {
            vst2Path = argv[i] + 7;
        } else if (std::strncmp(argv[i], "--vst3=", 7) == 0) {
            vst3Path = argv[i] + 7;
        } else if (std::strncmp(argv[i], "--clap=", 7) == 0) {
            clapPath = argv[i] + 7;
        } else {
            kept.push_back(argv[i]);
        }
    }
    for (const int frames : kBlocks) {
        for (const bool automated : {false, true}) {
            const std::string suffix = std::string(automated ? " automated/" : "/") + std::to_string(frames);
            benchmark::RegisterBenchmark(("vst2" + suffix).c_str(), vst2Case, frames, automated);
            benchmark::RegisterBenchmark(("vst3" + suffix).c_str(), vst3Case, frames, automated);
            benchmark::RegisterBenchmark(("clap" + suffix).c_str(), clapCase, frames, automated);
        }
    }
    int count = static_cast<int>(kept.size());
    benchmark::Initialize(&count, kept.data());
    FastestReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* face : {"vst3", "clap"}) {
        std::printf("\nA block through the %s face against the VST2 module's processReplacing (fastest repetition):\n",
                    face);
        for (const int frames : kBlocks) {
            for (const char* kind : {"", " automated"}) {
                const std::string name = std::string(kind) + "/" + std::to_string(frames);
                const auto two = reporter.fastest.find("vst2" + name), other = reporter.fastest.find(face + name);
                if (two == reporter.fastest.end() || other == reporter.fastest.end()) continue;
                std::printf("  %5d frames%-10s  vst2 %9.1f ns  %s %9.1f ns  %s / vst2 %.3fx\n", frames, kind,
                            two->second, face, other->second, face, other->second / two->second);
            }
        }
    }
    std::printf("\nAn automated block against a plain block through the same face (fastest repetition):\n");
    for (const char* face : {"vst2", "vst3", "clap"}) {
        for (const int frames : kBlocks) {
            const std::string size = "/" + std::to_string(frames);
            const auto plain = reporter.fastest.find(face + size);
            const auto automated = reporter.fastest.find(face + std::string(" automated") + size);
            if (plain == reporter.fastest.end() || automated == reporter.fastest.end()) continue;
            std::printf("  %s %5d frames  plain %9.1f ns  automated %9.1f ns  automated / plain %.2fx\n", face,
                        frames, plain->second, automated->second, automated->second / plain->second);
        }
    }
    benchmark::Shutdown();
    return 0;
}
