// The module's factory: what it tells the host of itself and its classes, and
// the creation of instances; and IPluginBase, the life of every instance.
#pragma once

#include "vst3/interface/Base.h"

namespace vst3 {

class IPluginBase : public FUnknown {
public:
    virtual tresult KORVO_VST3_API initialize(FUnknown* context) = 0;
    virtual tresult KORVO_VST3_API terminate() = 0;
    static constexpr Uid iid = makeUid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
};

struct PFactoryInfo {
    enum : int32 { kNoFlags = 0, kClassesDiscardable = 1 << 0, kComponentNonDiscardable = 1 << 3, kUnicode = 1 << 4 };
    char8 vendor[64];
    char8 url[256];
    char8 email[128];
    int32 flags;
};

struct PClassInfo {
    enum : int32 { kManyInstances = 0x7FFFFFFF };
    TUID cid;
    int32 cardinality;
    char8 category[32];
    char8 name[64];
};

struct PClassInfo2 {
    TUID cid;
    int32 cardinality;
    char8 category[32];
    char8 name[64];
    uint32 classFlags;
    char8 subCategories[128];
    char8 vendor[64];
    char8 version[64];
    char8 sdkVersion[64];
};

static_assert(sizeof(PFactoryInfo) == 452, "factory information layout");
static_assert(sizeof(PClassInfo) == 116, "class information layout");
static_assert(sizeof(PClassInfo2) == 440, "class information (second version) layout");

class IPluginFactory : public FUnknown {
public:
    virtual tresult KORVO_VST3_API getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32 KORVO_VST3_API countClasses() = 0;
    virtual tresult KORVO_VST3_API getClassInfo(int32 index, PClassInfo* info) = 0;
    virtual tresult KORVO_VST3_API createInstance(FIDString cid, FIDString iid, void** object) = 0;
    static constexpr Uid iid = makeUid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
};

class IPluginFactory2 : public IPluginFactory {
public:
    virtual tresult KORVO_VST3_API getClassInfo2(int32 index, PClassInfo2* info) = 0;
    static constexpr Uid iid = makeUid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
};

// The category of an audio effect's component.
constexpr const char* kVstAudioEffectClass = "Audio Module Class";

}  // namespace vst3
