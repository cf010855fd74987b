// The audio processor: bus arrangements, sample sizes, the processing setup
// and the block call with its buffers.
#pragma once

#include <cstddef>

#include "vst3/interface/Component.h"
#include "vst3/interface/ParameterChanges.h"

namespace vst3 {

using SpeakerArrangement = uint64;
using Sample32 = float;
using Sample64 = double;

constexpr SpeakerArrangement kSpeakerL = 1 << 0;
constexpr SpeakerArrangement kSpeakerR = 1 << 1;
constexpr SpeakerArrangement kStereo = kSpeakerL | kSpeakerR;

enum SymbolicSampleSizes : int32 { kSample32 = 0, kSample64 = 1 };
enum ProcessModes : int32 { kRealtime = 0, kPrefetch = 1, kOffline = 2 };
constexpr uint32 kNoTail = 0;
constexpr uint32 kInfiniteTail = 0xFFFFFFFFu;

struct ProcessSetup {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 maxSamplesPerBlock;
    double sampleRate;
};
static_assert(sizeof(ProcessSetup) == 24, "processing setup layout");

struct AudioBusBuffers {
    int32 numChannels;
    uint64 silenceFlags;  // bit n: channel n holds only zeros
    union {
        Sample32** channelBuffers32;
        Sample64** channelBuffers64;
    };
};
static_assert(sizeof(AudioBusBuffers) == 24, "bus buffers layout");

class IEventList;
struct ProcessContext;

struct ProcessData {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 numSamples;
    int32 numInputs;
    int32 numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};
static_assert(offsetof(ProcessData, inputs) == (sizeof(void*) == 8 ? 24 : 20), "process data layout");

class IAudioProcessor : public FUnknown {
public:
    virtual tresult KORVO_VST3_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                      SpeakerArrangement* outputs, int32 numOuts) = 0;
    virtual tresult KORVO_VST3_API getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) = 0;
    virtual tresult KORVO_VST3_API canProcessSampleSize(int32 symbolicSampleSize) = 0;
    virtual uint32 KORVO_VST3_API getLatencySamples() = 0;
    virtual tresult KORVO_VST3_API setupProcessing(ProcessSetup& setup) = 0;
    virtual tresult KORVO_VST3_API setProcessing(TBool state) = 0;
    virtual tresult KORVO_VST3_API process(ProcessData& data) = 0;
    virtual uint32 KORVO_VST3_API getTailSamples() = 0;
    static constexpr Uid iid = makeUid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
};

// Which parts of the process context the processor reads; hosts since the
// 3.7 interface ask every processor.
class IProcessContextRequirements : public FUnknown {
public:
    virtual uint32 KORVO_VST3_API getProcessContextRequirements() = 0;
    static constexpr Uid iid = makeUid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
};

}  // namespace vst3
