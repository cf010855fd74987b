#include "tests/support/Vst3Host.h"

#include <algorithm>
#include <cstring>

using namespace vst3;

tresult MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead)
{
    std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(std::max(numBytes, 0)), bytes.size() - position);
    if (piece > 0) {
        count = std::min<std::size_t>(count, static_cast<std::size_t>(piece));
    }
    if (count > 0) {
        std::memcpy(buffer, bytes.data() + position, count);  // an empty stream has no data() to copy from
    }
    position += count;
    if (numBytesRead) {
        *numBytesRead = static_cast<int32>(count);
    }
    return kResultOk;
}

tresult MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten)
{
    std::size_t count = static_cast<std::size_t>(std::max(numBytes, 0));
    if (piece > 0) {
        count = std::min<std::size_t>(count, static_cast<std::size_t>(piece));
    }
    if (bytes.size() < position + count) {
        bytes.resize(position + count);
    }
    if (count > 0) {
        std::memcpy(bytes.data() + position, buffer, count);
    }
    position += count;
    if (numBytesWritten) {
        *numBytesWritten = static_cast<int32>(count);
    }
    return kResultOk;
}

tresult MemoryStream::seek(int64 pos, int32 mode, int64* result)
{
    const int64 base = mode == kIBSeekCur ? static_cast<int64>(position)
                                          : mode == kIBSeekEnd ? static_cast<int64>(bytes.size()) : 0;
    if (base + pos < 0) {
        return kInvalidArgument;
    }
    position = static_cast<std::size_t>(base + pos);
    if (result) {
        *result = static_cast<int64>(position);
    }
    return kResultOk;
}

tresult MemoryStream::tell(int64* pos)
{
    *pos = static_cast<int64>(position);
    return kResultOk;
}

tresult ParameterQueue::getPoint(int32 index, int32& offset, ParamValue& value)
{
    if (index < 0 || index >= getPointCount()) {
        return kInvalidArgument;
    }
    offset = points[static_cast<std::size_t>(index)].first;
    value = points[static_cast<std::size_t>(index)].second;
    return kResultOk;
}

tresult ParameterQueue::addPoint(int32 offset, ParamValue value, int32& index)
{
    index = getPointCount();
    points.emplace_back(offset, value);
    return kResultOk;
}

IParamValueQueue* ParameterChangeList::getParameterData(int32 index)
{
    return index >= 0 && index < getParameterCount() ? queues[static_cast<std::size_t>(index)].get() : nullptr;
}

IParamValueQueue* ParameterChangeList::addParameterData(const ParamID& id, int32& index)
{
    for (std::size_t q = 0; q < queues.size(); ++q) {
        if (queues[q]->id == id) {
            index = static_cast<int32>(q);
            return queues[q].get();
        }
    }
    index = getParameterCount();
    queues.push_back(std::make_unique<ParameterQueue>(id));
    return queues.back().get();
}

void ParameterChangeList::add(ParamID id, int32 offset, ParamValue value)
{
    int32 index = 0;
    addParameterData(id, index)->addPoint(offset, value, index);
}

tresult RecordingHandler::beginEdit(ParamID id)
{
    edits.push_back({'b', id, 0.0});
    return kResultOk;
}

tresult RecordingHandler::performEdit(ParamID id, ParamValue value)
{
    edits.push_back({'p', id, value});
    return kResultOk;
}

tresult RecordingHandler::endEdit(ParamID id)
{
    edits.push_back({'e', id, 0.0});
    return kResultOk;
}

Vst3Plugin::Vst3Plugin(IPluginFactory2* factory, const char* cid)
{
    void* object = nullptr;
    if (!factory || factory->createInstance(cid, IComponent::iid.bytes, &object) != kResultOk || !object) {
        return;
    }
    component = static_cast<IComponent*>(object);
    if (component->initialize(nullptr) != kResultOk) {
        component->release();
        component = nullptr;
        return;
    }
    if (component->queryInterface(IAudioProcessor::iid.bytes, &object) == kResultOk) {
        processor = static_cast<IAudioProcessor*>(object);
    }
    if (component->queryInterface(IEditController::iid.bytes, &object) == kResultOk) {
        controller = static_cast<IEditController*>(object);
    }
}

Vst3Plugin::~Vst3Plugin()
{
    if (controller) {
        controller->release();
    }
    if (processor) {
        processor->release();
    }
    if (component) {
        component->terminate();
        component->release();
    }
}

bool Vst3Plugin::start(double rate, int32 maxBlock)
{
    ProcessSetup setup{kRealtime, kSample32, maxBlock, rate};
    return processor->setupProcessing(setup) == kResultOk && component->setActive(1) == kResultOk &&
           processor->setProcessing(1) == kResultOk;
}

tresult Vst3Plugin::process(float* const* inputs, float* const* outputs, int32 frames, IParameterChanges* changes,
                            uint64* silence)
{
    float* in[2] = {inputs[0], inputs[1]};
    float* out[2] = {outputs[0], outputs[1]};
    AudioBusBuffers inBus{};
    inBus.numChannels = 2;
    inBus.channelBuffers32 = in;
    AudioBusBuffers outBus{};
    outBus.numChannels = 2;
    outBus.silenceFlags = ~uint64{0};  // whatever was there: the plug-in sets it
    outBus.channelBuffers32 = out;
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.inputParameterChanges = changes;
    const tresult result = processor->process(data);
    if (silence) {
        *silence = outBus.silenceFlags;
    }
    return result;
}

std::vector<unsigned char> Vst3Plugin::state()
{
    MemoryStream stream;
    if (component->getState(&stream) != kResultOk) {
        return {};
    }
    return stream.bytes;
}

std::string narrow(const char16* text)
{
    std::string out;
    for (; *text; ++text) {
        out += static_cast<char>(*text);
    }
    return out;
}

std::vector<char16> widen(const std::string& text)
{
    std::vector<char16> out(text.begin(), text.end());
    out.push_back(0);
    return out;
}
