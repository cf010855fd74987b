// The host's byte stream, through which a component's state comes and goes.
#pragma once

#include "vst3/interface/Base.h"

namespace vst3 {

class IBStream : public FUnknown {
public:
    enum : int32 { kIBSeekSet = 0, kIBSeekCur, kIBSeekEnd };
    virtual tresult KORVO_VST3_API read(void* buffer, int32 numBytes, int32* numBytesRead) = 0;
    virtual tresult KORVO_VST3_API write(void* buffer, int32 numBytes, int32* numBytesWritten) = 0;
    virtual tresult KORVO_VST3_API seek(int64 pos, int32 mode, int64* result) = 0;
    virtual tresult KORVO_VST3_API tell(int64* pos) = 0;
    static constexpr Uid iid = makeUid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
};

}  // namespace vst3
