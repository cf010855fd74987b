// The parameter changes a host hands the processor with each block: one queue
// per parameter, each a list of (sample offset, normalised value) points in
// time order.
#pragma once

#include "vst3/interface/Base.h"

namespace vst3 {

using ParamID = uint32;
using ParamValue = double;

class IParamValueQueue : public FUnknown {
public:
    virtual ParamID KORVO_VST3_API getParameterId() = 0;
    virtual int32 KORVO_VST3_API getPointCount() = 0;
    virtual tresult KORVO_VST3_API getPoint(int32 index, int32& sampleOffset, ParamValue& value) = 0;
    virtual tresult KORVO_VST3_API addPoint(int32 sampleOffset, ParamValue value, int32& index) = 0;
    static constexpr Uid iid = makeUid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
};

class IParameterChanges : public FUnknown {
public:
    virtual int32 KORVO_VST3_API getParameterCount() = 0;
    virtual IParamValueQueue* KORVO_VST3_API getParameterData(int32 index) = 0;
    virtual IParamValueQueue* KORVO_VST3_API addParameterData(const ParamID& id, int32& index) = 0;
    static constexpr Uid iid = makeUid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
};

}  // namespace vst3
