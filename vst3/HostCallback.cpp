#include "vst3/HostCallback.h"

namespace korvo_vst3 {

using namespace vst3;

HostCallback::~HostCallback() { setHandler(nullptr); }

VstIntPtr HostCallback::answer(VstInt32 opcode, VstInt32 index, float opt)
{
    if (!isValidParameter(index)) {
        return 0;
    }
    switch (opcode) {
    case audioMasterBeginEdit:
        begin(index);
        return 1;
    case audioMasterAutomate:
        begin(index);
        if (handler) {
            handler->performEdit(static_cast<ParamID>(index), static_cast<ParamValue>(opt));
        }
        return 1;
    case audioMasterEndEdit:
        end(index);
        return 1;
    default:
        return 0;
    }
}

void HostCallback::begin(int index)
{
    if (handler && !editing[index]) {
        editing[index] = true;
        handler->beginEdit(static_cast<ParamID>(index));
    }
}

void HostCallback::end(int index)
{
    if (handler && editing[index]) {
        editing[index] = false;
        handler->endEdit(static_cast<ParamID>(index));
    }
}

void HostCallback::endGesturesExcept(int held)
{
    for (int index = 0; index < kNumParameters; ++index) {
        if (index != held) {
            end(index);
        }
    }
}

void HostCallback::setHandler(IComponentHandler* newHandler)
{
    if (newHandler == handler) {
        return;
    }
    endGesturesExcept(-1);
    if (newHandler) {
        newHandler->addRef();
    }
    if (handler) {
        handler->release();
    }
    handler = newHandler;
}

}  // namespace korvo_vst3
