// A small VST 3 host for the tests: the module loaded through its exported
// entries (tools/Vst3Module.h), an instance as a host holds it, and the host's
// side of the interfaces (streams, parameter changes, the component handler).
// The test owns every host object here: their reference counts do nothing.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tools/Vst3Module.h"
#include "vst3/interface/Controller.h"
#include "vst3/interface/Processor.h"

// Answers queries for FUnknown and for I, and counts nothing.
template <class I>
class HostObject : public I {
public:
    vst3::tresult KORVO_VST3_API queryInterface(const vst3::TUID wanted, void** object) override
    {
        if (vst3::sameUid(wanted, vst3::FUnknown::iid) || vst3::sameUid(wanted, I::iid)) {
            *object = this;
            return vst3::kResultOk;
        }
        *object = nullptr;
        return vst3::kNoInterface;
    }
    vst3::uint32 KORVO_VST3_API addRef() override { return 1; }
    vst3::uint32 KORVO_VST3_API release() override { return 1; }
    virtual ~HostObject() = default;
};

// Bytes in memory; reads and writes move at most `piece` bytes a call (0: no limit).
class MemoryStream : public HostObject<vst3::IBStream> {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<unsigned char> content, vst3::int32 pieceBytes = 0)
        : bytes(std::move(content)), piece(pieceBytes)
    {
    }
    vst3::tresult KORVO_VST3_API read(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesRead) override;
    vst3::tresult KORVO_VST3_API write(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesWritten) override;
    vst3::tresult KORVO_VST3_API seek(vst3::int64 pos, vst3::int32 mode, vst3::int64* result) override;
    vst3::tresult KORVO_VST3_API tell(vst3::int64* pos) override;

    std::vector<unsigned char> bytes;
    std::size_t position = 0;
    vst3::int32 piece = 0;
};

class ParameterQueue : public HostObject<vst3::IParamValueQueue> {
public:
    explicit ParameterQueue(vst3::ParamID parameter) : id(parameter) {}
    vst3::ParamID KORVO_VST3_API getParameterId() override { return id; }
    vst3::int32 KORVO_VST3_API getPointCount() override { return static_cast<vst3::int32>(points.size()); }
    vst3::tresult KORVO_VST3_API getPoint(vst3::int32 index, vst3::int32& offset, vst3::ParamValue& value) override;
    vst3::tresult KORVO_VST3_API addPoint(vst3::int32 offset, vst3::ParamValue value, vst3::int32& index) override;

    vst3::ParamID id;
    std::vector<std::pair<vst3::int32, vst3::ParamValue>> points;
};

class ParameterChangeList : public HostObject<vst3::IParameterChanges> {
public:
    vst3::int32 KORVO_VST3_API getParameterCount() override { return static_cast<vst3::int32>(queues.size()); }
    vst3::IParamValueQueue* KORVO_VST3_API getParameterData(vst3::int32 index) override;
    vst3::IParamValueQueue* KORVO_VST3_API addParameterData(const vst3::ParamID& id, vst3::int32& index) override;

    // A point on the parameter's queue, made when it has none; points go in time order.
    void add(vst3::ParamID id, vst3::int32 offset, vst3::ParamValue value);

    std::vector<std::unique_ptr<ParameterQueue>> queues;
};

class RecordingHandler : public HostObject<vst3::IComponentHandler> {
public:
    struct Edit {
        char kind;  // 'b' begin, 'p' perform, 'e' end
        vst3::ParamID id;
        vst3::ParamValue value;
    };
    vst3::tresult KORVO_VST3_API beginEdit(vst3::ParamID id) override;
    vst3::tresult KORVO_VST3_API performEdit(vst3::ParamID id, vst3::ParamValue value) override;
    vst3::tresult KORVO_VST3_API endEdit(vst3::ParamID id) override;
    vst3::tresult KORVO_VST3_API restartComponent(vst3::int32) override { return vst3::kResultOk; }

    std::vector<Edit> edits;
};

// One instance of the module's class, through its three faces, initialised.
class Vst3Plugin {
public:
    Vst3Plugin(vst3::IPluginFactory2* factory, const char* cid);
    ~Vst3Plugin();

    bool isReady() const { return component && processor && controller; }

    // setupProcessing, then active and processing.
    bool start(double rate, vst3::int32 maxBlock);
    // One block of stereo float; the output's silence flags in `silence`.
    vst3::tresult process(float* const* inputs, float* const* outputs, vst3::int32 frames,
                          vst3::IParameterChanges* changes, vst3::uint64* silence = nullptr);
    std::vector<unsigned char> state();

    vst3::IComponent* component = nullptr;
    vst3::IAudioProcessor* processor = nullptr;
    vst3::IEditController* controller = nullptr;

    Vst3Plugin(const Vst3Plugin&) = delete;
    Vst3Plugin& operator=(const Vst3Plugin&) = delete;
};

// UTF-16 text as ASCII, and back.
std::string narrow(const vst3::char16* text);
std::vector<vst3::char16> widen(const std::string& text);
