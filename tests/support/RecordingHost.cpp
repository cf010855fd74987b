#include "tests/support/RecordingHost.h"

RecordingHost& RecordingHost::instance()
{
    static RecordingHost host;
    return host;
}

VstIntPtr VSTCALLBACK RecordingHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                              void* ptr, float opt)
{
    RecordingHost& host = instance();
    std::lock_guard<std::mutex> guard(host.lock);
    host.recorded.push_back(HostCall{effect, opcode, index, value, ptr, opt});
    switch (opcode) {
    case audioMasterVersion:
        return host.versionAnswer;
    case audioMasterGetSampleRate:
        return host.sampleRateAnswer;
    case audioMasterGetBlockSize:
        return host.blockSizeAnswer;
    case audioMasterSizeWindow:
        return host.sizeWindowAnswer;
    default:
        return 0;
    }
}

void RecordingHost::reset()
{
    std::lock_guard<std::mutex> guard(lock);
    recorded.clear();
    versionAnswer = 2400;
    sampleRateAnswer = 44100;
    blockSizeAnswer = 512;
    sizeWindowAnswer = 0;
}

std::vector<HostCall> RecordingHost::calls()
{
    std::lock_guard<std::mutex> guard(lock);
    return recorded;
}

std::vector<HostCall> RecordingHost::callsOf(VstInt32 opcode)
{
    std::lock_guard<std::mutex> guard(lock);
    std::vector<HostCall> matching;
    for (const HostCall& call : recorded) {
        if (call.opcode == opcode) {
            matching.push_back(call);
        }
    }
    return matching;
}

std::string RecordingHost::editCalls()
{
    std::string out;
    for (const HostCall& call : calls()) {
        const char* kind = call.opcode == audioMasterBeginEdit ? "B"
                           : call.opcode == audioMasterAutomate ? "A"
                           : call.opcode == audioMasterEndEdit  ? "E"
                                                                : nullptr;
        if (kind) {
            out += (out.empty() ? "" : " ") + std::string(kind) + std::to_string(call.index);
        }
    }
    return out;
}
