#include "vst3/PluginFactory.h"

#include <cstring>

#include "eq/EqEffect.h"
#include "host/TextHelpers.h"
#include "vst3/ClassInfo.h"
#include "vst3/EqInstance.h"

namespace korvo_vst3 {

using namespace vst3;

namespace {

// Zero-filled, then as much of the text as fits with its terminator.
template <std::size_t N>
void fill(char (&field)[N], const char* text)
{
    copyText(field, text, static_cast<std::int32_t>(N - 1));
}

}  // namespace

PluginFactory& PluginFactory::instance()
{
    static PluginFactory factory;
    return factory;
}

tresult PluginFactory::queryInterface(const TUID wanted, void** object)
{
    if (!object) {
        return kInvalidArgument;
    }
    if (sameUid(wanted, FUnknown::iid) || sameUid(wanted, IPluginFactory::iid) || sameUid(wanted, IPluginFactory2::iid)) {
        *object = this;
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

// The factory is the module's own static object: counting changes nothing.
uint32 PluginFactory::addRef() { return 1; }
uint32 PluginFactory::release() { return 1; }

tresult PluginFactory::getFactoryInfo(PFactoryInfo* info)
{
    if (!info) {
        return kInvalidArgument;
    }
    std::memset(info, 0, sizeof *info);
    fill(info->vendor, EqEffect::kVendorName);
    info->flags = PFactoryInfo::kUnicode;
    return kResultOk;
}

int32 PluginFactory::countClasses() { return 1; }

tresult PluginFactory::getClassInfo(int32 index, PClassInfo* info)
{
    if (!info) {
        return kInvalidArgument;
    }
    PClassInfo2 full;
    const tresult result = getClassInfo2(index, &full);
    if (result != kResultOk) {
        return result;
    }
    std::memset(info, 0, sizeof *info);
    std::memcpy(info->cid, full.cid, sizeof info->cid);
    info->cardinality = full.cardinality;
    std::memcpy(info->category, full.category, sizeof info->category);
    std::memcpy(info->name, full.name, sizeof info->name);
    return kResultOk;
}

tresult PluginFactory::getClassInfo2(int32 index, PClassInfo2* info)
{
    if (!info) {
        return kInvalidArgument;
    }
    if (index != 0) {
        return kInvalidArgument;
    }
    std::memset(info, 0, sizeof *info);
    std::memcpy(info->cid, kClassId.bytes, sizeof info->cid);
    info->cardinality = PClassInfo::kManyInstances;
    fill(info->category, kVstAudioEffectClass);
    fill(info->name, EqEffect::kEffectName);
    info->classFlags = 0;  // one object is component and controller: not to be split across computers
    fill(info->subCategories, kSubCategories);
    fill(info->vendor, EqEffect::kVendorName);
    fill(info->version, KORVO_VERSION);
    fill(info->sdkVersion, kInterfaceVersion);
    return kResultOk;
}

tresult PluginFactory::createInstance(FIDString cid, FIDString wanted, void** object)
{
    if (!object) {
        return kInvalidArgument;
    }
    *object = nullptr;
    if (!sameUid(cid, kClassId) || !wanted) {
        return kNoInterface;
    }
    EqInstance* created = EqInstance::create();
    if (!created) {
        return kOutOfMemory;
    }
    const tresult result = created->queryInterface(wanted, object);
    created->release();  // the reference create() gave; the host holds its own now, or none
    return result;
}

}  // namespace korvo_vst3
