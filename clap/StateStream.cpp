#include "clap/StateStream.h"

#include <vector>

#include "eq/EqEffect.h"

namespace korvo_clap {

bool StateStream::write(EffectBase& effect, const clap_ostream_t* stream)
{
    if (!stream || !stream->write) {
        return false;
    }
    std::vector<unsigned char> bytes;
    EqEffect::of(effect).saveState(bytes);
    const auto size = static_cast<std::int64_t>(bytes.size());
    std::int64_t total = 0;
    while (total < size) {
        const std::int64_t written =
            stream->write(stream, bytes.data() + total, static_cast<std::uint64_t>(size - total));
        if (written <= 0 || written > size - total) {
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
    // One byte more than the largest state is asked for: a stream that has it is no state.
    constexpr auto kRoom = static_cast<std::int64_t>(EqEffect::kLargestState + 1);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(kRoom));
    std::int64_t total = 0;
    while (total < kRoom) {
        const std::int64_t got = stream->read(stream, bytes.data() + total, static_cast<std::uint64_t>(kRoom - total));
        if (got <= 0 || got > kRoom - total) {
            break;
        }
        total += got;
    }
    return EqEffect::of(effect).loadState(bytes.data(), static_cast<std::size_t>(total));
}

}  // namespace korvo_clap
