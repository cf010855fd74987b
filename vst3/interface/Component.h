// The component: buses, activation and state. The structures keep the
// alignment the published headers give them, the platform's natural one on
// every platform this module is built for.
#pragma once

#include "vst3/interface/Factory.h"
#include "vst3/interface/Stream.h"

namespace vst3 {

using MediaType = int32;
using BusDirection = int32;
using BusType = int32;
using IoMode = int32;
using String128 = char16[128];

enum MediaTypes : MediaType { kAudio = 0, kEvent = 1 };
enum BusDirections : BusDirection { kInput = 0, kOutput = 1 };
enum BusTypes : BusType { kMain = 0, kAux = 1 };

struct BusInfo {
    enum : uint32 { kDefaultActive = 1 << 0 };
    MediaType mediaType;
    BusDirection direction;
    int32 channelCount;
    String128 name;
    BusType busType;
    uint32 flags;
};
static_assert(sizeof(BusInfo) == 276, "bus information layout");

struct RoutingInfo {
    MediaType mediaType;
    int32 busIndex;
    int32 channel;
};

class IComponent : public IPluginBase {
public:
    virtual tresult KORVO_VST3_API getControllerClassId(TUID classId) = 0;
    virtual tresult KORVO_VST3_API setIoMode(IoMode mode) = 0;
    virtual int32 KORVO_VST3_API getBusCount(MediaType type, BusDirection dir) = 0;
    virtual tresult KORVO_VST3_API getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) = 0;
    virtual tresult KORVO_VST3_API getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
    virtual tresult KORVO_VST3_API activateBus(MediaType type, BusDirection dir, int32 index, TBool state) = 0;
    virtual tresult KORVO_VST3_API setActive(TBool state) = 0;
    virtual tresult KORVO_VST3_API setState(IBStream* state) = 0;
    virtual tresult KORVO_VST3_API getState(IBStream* state) = 0;
    static constexpr Uid iid = makeUid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
};

}  // namespace vst3
