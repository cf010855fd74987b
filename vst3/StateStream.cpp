#include "vst3/StateStream.h"

#include <vector>

#include "eq/EqEffect.h"

namespace korvo_vst3 {

using namespace vst3;

bool StateStream::write(EffectBase& effect, IBStream* stream)
{
    if (!stream) {
        return false;
    }
    std::vector<unsigned char> bytes;
    EqEffect::of(effect).saveState(bytes);
    const auto size = static_cast<int32>(bytes.size());
    int32 total = 0;
    while (total < size) {
        int32 written = 0;
        if (stream->write(bytes.data() + total, size - total, &written) != kResultOk || written <= 0 ||
            written > size - total) {
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
    // One byte more than the largest state is asked for: a stream that has it is no state.
    constexpr auto kRoom = static_cast<int32>(EqEffect::kLargestState + 1);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(kRoom));
    int32 total = 0;
    while (total < kRoom) {
        int32 got = 0;
        if (stream->read(bytes.data() + total, kRoom - total, &got) != kResultOk || got <= 0 || got > kRoom - total) {
            break;
        }
        total += got;
    }
    return EqEffect::of(effect).loadState(bytes.data(), static_cast<std::size_t>(total));
}

}  // namespace korvo_vst3
