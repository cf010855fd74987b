// The edit controller: the parameters as the host shows and automates them,
// the views, and the handler through which the plug-in's own edits reach the
// host.
#pragma once

#include <cstddef>

#include "vst3/interface/Component.h"
#include "vst3/interface/ParameterChanges.h"

namespace vst3 {

class IPlugView;

using UnitID = int32;
constexpr UnitID kRootUnitId = 0;

struct ParameterInfo {
    enum : int32 { kNoFlags = 0, kCanAutomate = 1 << 0, kIsBypass = 1 << 16 };
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32 stepCount;
    ParamValue defaultNormalizedValue;
    UnitID unitId;
    int32 flags;
};
static_assert(offsetof(ParameterInfo, defaultNormalizedValue) == 776 && sizeof(ParameterInfo) == 792,
              "parameter information layout");

class IComponentHandler : public FUnknown {
public:
    virtual tresult KORVO_VST3_API beginEdit(ParamID id) = 0;
    virtual tresult KORVO_VST3_API performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult KORVO_VST3_API endEdit(ParamID id) = 0;
    virtual tresult KORVO_VST3_API restartComponent(int32 flags) = 0;
    static constexpr Uid iid = makeUid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
};

class IEditController : public IPluginBase {
public:
    virtual tresult KORVO_VST3_API setComponentState(IBStream* state) = 0;
    virtual tresult KORVO_VST3_API setState(IBStream* state) = 0;
    virtual tresult KORVO_VST3_API getState(IBStream* state) = 0;
    virtual int32 KORVO_VST3_API getParameterCount() = 0;
    virtual tresult KORVO_VST3_API getParameterInfo(int32 paramIndex, ParameterInfo& info) = 0;
    virtual tresult KORVO_VST3_API getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                                         String128 string) = 0;
    virtual tresult KORVO_VST3_API getParamValueByString(ParamID id, char16* string, ParamValue& valueNormalized) = 0;
    virtual ParamValue KORVO_VST3_API normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
    virtual ParamValue KORVO_VST3_API plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
    virtual ParamValue KORVO_VST3_API getParamNormalized(ParamID id) = 0;
    virtual tresult KORVO_VST3_API setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult KORVO_VST3_API setComponentHandler(IComponentHandler* handler) = 0;
    virtual IPlugView* KORVO_VST3_API createView(FIDString name) = 0;
    static constexpr Uid iid = makeUid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
};

// The name of the view createView makes for the plug-in's editor.
constexpr const char* kViewTypeEditor = "editor";

}  // namespace vst3
