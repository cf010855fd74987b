#include "vst3/ClassInfo.h"

#include <new>

#include "eq/EqEffect.h"
#include "host/TextHelpers.h"

namespace korvo_vst3 {

namespace {

PluginIdentity readIdentity()
{
    PluginIdentity identity{};
    copyText(identity.version, KORVO_VERSION, sizeof identity.version - 1);
    // The names are the effect's, as its VST 2 face reports them.
    EqEffect* effect = new (std::nothrow) EqEffect(nullptr);
    if (effect) {
        effect->getEffectName(identity.name);
        effect->getVendorString(identity.vendor);
        delete effect;
    }
    return identity;
}

}  // namespace

const PluginIdentity& pluginIdentity()
{
    static const PluginIdentity identity = readIdentity();
    return identity;
}

}  // namespace korvo_vst3
