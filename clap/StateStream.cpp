#include "clap/StateStream.h"

#include <cstring>

#include "eq/ProgramBank.h"

namespace korvo_clap {

namespace {

constexpr std::int64_t kChunkBytes = static_cast<std::int64_t>(sizeof(ProgramRecord));

}  // namespace

bool StateStream::write(EffectBase& effect, const clap_ostream_t* stream)
{
    void* data = nullptr;
    const VstInt32 size = effect.getChunk(&data, false);
    if (!stream || !stream->write || !data || size != kChunkBytes) {
        return false;
    }
    unsigned char bytes[kChunkBytes];
    std::memcpy(bytes, data, sizeof bytes);
    std::int64_t total = 0;
    while (total < kChunkBytes) {
        const std::int64_t written =
            stream->write(stream, bytes + total, static_cast<std::uint64_t>(kChunkBytes - total));
        if (written <= 0 || written > kChunkBytes - total) {
            return false;
        }
        total += written;
    }
    return true;
}

bool StateStream::read(EffectBase& effect, const clap_istream_t* stream)
{
    if (!stream || !stream->read) {
        return false;
    }
    // One byte more than the chunk is asked for: a stream that has it is not the chunk.
    unsigned char bytes[kChunkBytes + 1];
    std::int64_t total = 0;
    while (total < kChunkBytes + 1) {
        const std::int64_t got =
            stream->read(stream, bytes + total, static_cast<std::uint64_t>(kChunkBytes + 1 - total));
        if (got <= 0 || got > kChunkBytes + 1 - total) {
            break;
        }
        total += got;
    }
    if (total != kChunkBytes) {
        return false;
    }
    return effect.setChunk(bytes, static_cast<VstInt32>(kChunkBytes), false) == kChunkBytes;
}

}  // namespace korvo_clap
