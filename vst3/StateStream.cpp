#include "vst3/StateStream.h"

#include <cstring>

#include "eq/ProgramBank.h"

namespace korvo_vst3 {

using namespace vst3;

namespace {

constexpr int32 kChunkBytes = static_cast<int32>(sizeof(ProgramRecord));

// Reads until `bytes` have come or the stream gives no more; the bytes read.
int32 readFully(IBStream* stream, unsigned char* buffer, int32 bytes)
{
    int32 total = 0;
    while (total < bytes) {
        int32 got = 0;
        if (stream->read(buffer + total, bytes - total, &got) != kResultOk || got <= 0 || got > bytes - total) {
            break;
        }
        total += got;
    }
    return total;
}

}  // namespace

bool StateStream::write(EffectBase& effect, IBStream* stream)
{
    void* data = nullptr;
    const VstInt32 size = effect.getChunk(&data, false);
    if (!stream || !data || size != kChunkBytes) {
        return false;
    }
    unsigned char bytes[kChunkBytes];
    std::memcpy(bytes, data, sizeof bytes);
    int32 total = 0;
    while (total < kChunkBytes) {
        int32 written = 0;
        if (stream->write(bytes + total, kChunkBytes - total, &written) != kResultOk || written <= 0 ||
            written > kChunkBytes - total) {
            return false;
        }
        total += written;
    }
    return true;
}

bool StateStream::read(EffectBase& effect, IBStream* stream)
{
    if (!stream) {
        return false;
    }
    unsigned char bytes[kChunkBytes + 1];
    if (readFully(stream, bytes, kChunkBytes + 1) != kChunkBytes) {
        return false;
    }
    return effect.setChunk(bytes, kChunkBytes, false) == kChunkBytes;
}

}  // namespace korvo_vst3
