#include "clap/EqInstance.h"

#include <cstring>
#include <new>

#include "clap/BlockRunner.h"
#include "clap/ParameterMap.h"
#include "clap/StateStream.h"
#include "clap/interface/PresetDiscovery.h"
#include "eq/FactoryPresets.h"
#include "eq/SilenceTail.h"
#include "host/TextHelpers.h"

namespace korvo_clap {

const clap_plugin_audio_ports_t EqInstance::kAudioPorts = {&EqInstance::portCount, &EqInstance::portInfo};
const clap_plugin_params_t EqInstance::kParams = {&EqInstance::paramCount,  &EqInstance::paramInfo,
                                                  &EqInstance::paramValue,  &EqInstance::valueToText,
                                                  &EqInstance::textToValue, &EqInstance::flush};
const clap_plugin_state_t EqInstance::kState = {&EqInstance::save, &EqInstance::load};
const clap_plugin_preset_load_t EqInstance::kPresetLoad = {&EqInstance::loadPreset};
const clap_plugin_latency_t EqInstance::kLatency = {&EqInstance::latency};
const clap_plugin_tail_t EqInstance::kTail = {&EqInstance::tail};
const clap_plugin_render_t EqInstance::kRender = {&EqInstance::hardRealtime, &EqInstance::setRender};

// ---- The instance -------------------------------------------------------------

EqInstance* EqInstance::create(const clap_host_t* host, const clap_plugin_descriptor_t* descriptor)
{
    EqInstance* instance = new (std::nothrow) EqInstance;
    if (!instance) {
        return nullptr;
    }
    instance->effect = instance->callback.makeEffect(instance->defaults);
    if (!instance->effect) {
        delete instance;
        return nullptr;
    }
    instance->host = host;
    instance->record = {descriptor, instance, &init, &destroy, &activate, &deactivate, &startProcessing,
                        &stopProcessing, &reset, &process, &getExtension, &onMainThread};
    return instance;
}

// The editor goes first: it lets go of the host's run loop, and the effect owns its window.
EqInstance::~EqInstance()
{
    gui.destroyEditor();
    delete effect;
}

EqInstance& EqInstance::of(const clap_plugin_t* plugin) { return *static_cast<EqInstance*>(plugin->plugin_data); }

// The host's extensions may be asked for from here on.
bool EqInstance::init(const clap_plugin_t* plugin)
{
    EqInstance& self = of(plugin);
    self.callback.setHost(self.host);
    self.gui.setHost(self.host, self.effect);
    return true;
}

void EqInstance::destroy(const clap_plugin_t* plugin) { delete &of(plugin); }

// A rate the bands cannot be designed for is refused, and the instance stays
// as it was.
bool EqInstance::activate(const clap_plugin_t* plugin, double rate, std::uint32_t, std::uint32_t)
{
    if (!isUsableRate(rate)) {
        return false;
    }
    of(plugin).effect->setSampleRate(static_cast<float>(rate));
    return true;
}

void EqInstance::deactivate(const clap_plugin_t*) {}

bool EqInstance::startProcessing(const clap_plugin_t*) { return true; }

void EqInstance::stopProcessing(const clap_plugin_t*) {}

// The effect offers no reset of its bands' histories (nor does its VST 2
// face): a tail left ringing ends by itself in silence.
void EqInstance::reset(const clap_plugin_t*) {}

clap_process_status EqInstance::process(const clap_plugin_t* plugin, const clap_process_t* data)
{
    if (!data) {
        return CLAP_PROCESS_ERROR;
    }
    EqInstance& self = of(plugin);
    self.callback.deliver(data->out_events);
    return BlockRunner::run(*self.effect, *data);
}

const void* EqInstance::getExtension(const clap_plugin_t*, const char* id)
{
    if (!id) {
        return nullptr;
    }
    const struct {
        const char* id;
        const void* extension;
    } offered[] = {{CLAP_EXT_AUDIO_PORTS, &kAudioPorts}, {CLAP_EXT_PARAMS, &kParams},   {CLAP_EXT_STATE, &kState},
                   {CLAP_EXT_LATENCY, &kLatency},        {CLAP_EXT_TAIL, &kTail},       {CLAP_EXT_RENDER, &kRender},
                   {CLAP_EXT_GUI, &GuiExtension::kGui},
                   {CLAP_EXT_PRESET_LOAD, &kPresetLoad},  {CLAP_EXT_PRESET_LOAD_COMPAT, &kPresetLoad},
#if !defined(_WIN32)
                   // The host's run loop calls the editor through these.
                   {CLAP_EXT_TIMER_SUPPORT, &GuiExtension::kTimerSupport},
                   {CLAP_EXT_POSIX_FD_SUPPORT, &GuiExtension::kPosixFdSupport},
#endif
    };
    for (const auto& entry : offered) {
        if (std::strcmp(id, entry.id) == 0) {
            return entry.extension;
        }
    }
    return nullptr;
}

void EqInstance::onMainThread(const clap_plugin_t*) {}

// ---- Audio ports ------------------------------------------------------------------

std::uint32_t EqInstance::portCount(const clap_plugin_t*, bool) { return 1; }

bool EqInstance::portInfo(const clap_plugin_t*, std::uint32_t index, bool isInput, clap_audio_port_info_t* info)
{
    if (index != 0 || !info) {
        return false;
    }
    std::memset(info, 0, sizeof *info);
    info->id = 0;
    copyText(info->name, isInput ? "Stereo In" : "Stereo Out", CLAP_NAME_SIZE - 1);
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;  // 32-bit float only
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = 0;  // the other direction's port 0: the effect runs in place
    return true;
}

// ---- Parameters ------------------------------------------------------------------

// The ten parameters, then the bypass.
std::uint32_t EqInstance::paramCount(const clap_plugin_t*) { return kNumParameters + 1; }

bool EqInstance::paramInfo(const clap_plugin_t* plugin, std::uint32_t index, clap_param_info_t* info)
{
    if (info && index == kNumParameters) {
        ParameterMap::describeBypass(*info);
        return true;
    }
    return info && index < kNumParameters && ParameterMap::describe(index, of(plugin).defaults[index], *info);
}

bool EqInstance::paramValue(const clap_plugin_t* plugin, clap_id id, double* value)
{
    return value && ParameterMap::get(*of(plugin).effect, id, *value);
}

bool EqInstance::valueToText(const clap_plugin_t* plugin, clap_id id, double value, char* text,
                             std::uint32_t capacity)
{
    return ParameterMap::text(id, value, of(plugin).effect->getSampleRate(), text, capacity);
}

bool EqInstance::textToValue(const clap_plugin_t* plugin, clap_id id, const char* text, double* value)
{
    try {
        return value && ParameterMap::value(id, text, of(plugin).effect->getSampleRate(), *value);
    } catch (...) {
        return false;
    }
}

// Values the host sets without audio, and the editor's gestures for it.
void EqInstance::flush(const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t* out)
{
    EqInstance& self = of(plugin);
    BlockRunner::apply(*self.effect, in);
    self.callback.deliver(out);
}

// ---- State ----------------------------------------------------------------------

bool EqInstance::save(const clap_plugin_t* plugin, const clap_ostream_t* stream)
{
    try {
        return StateStream::write(*of(plugin).effect, stream);
    } catch (...) {
        return false;
    }
}

// A loaded state changes the values: the host is told to read them again.
bool EqInstance::load(const clap_plugin_t* plugin, const clap_istream_t* stream)
{
    EqInstance& self = of(plugin);
    try {
        if (!StateStream::read(*self.effect, stream)) {
            return false;
        }
    } catch (...) {
        return false;
    }
    self.valuesLoaded();
    return true;
}

void EqInstance::valuesLoaded()
{
    const clap_host_params_t* params = callback.hostParams();
    if (params && params->rescan) {
        params->rescan(host, CLAP_PARAM_RESCAN_VALUES);
    }
}

// ---- Preset load -------------------------------------------------------------------

bool EqInstance::loadPreset(const clap_plugin_t* plugin, std::uint32_t kind, const char* location, const char* key)
{
    EqInstance& self = of(plugin);
    const int index = kind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN ? FactoryPresets::find(key) : -1;
    unsigned char chunk[sizeof(ProgramRecord)];
    if (index >= 0) {
        FactoryPresets::chunk(index, chunk);
    }
    const bool loaded = index >= 0 && self.effect->setChunk(chunk, sizeof chunk, false) == sizeof chunk;
    if (loaded) {
        self.valuesLoaded();
    }
    // The host's preset browser follows what was loaded, or hears why not.
    const void* found = self.host->get_extension ? self.host->get_extension(self.host, CLAP_EXT_PRESET_LOAD) : nullptr;
    if (!found && self.host->get_extension) {
        found = self.host->get_extension(self.host, CLAP_EXT_PRESET_LOAD_COMPAT);
    }
    const auto* hostLoad = static_cast<const clap_host_preset_load_t*>(found);
    if (hostLoad && loaded && hostLoad->loaded) {
        hostLoad->loaded(self.host, kind, location, key);
    } else if (hostLoad && !loaded && hostLoad->on_error) {
        hostLoad->on_error(self.host, kind, location, key, 0, "no factory preset of that name in Korvo-EQ");
    }
    return loaded;
}

// ---- Latency, tail and render --------------------------------------------------------

std::uint32_t EqInstance::latency(const clap_plugin_t*) { return 0; }

// The silence handling's own answer at the effect's rate: once the input is
// silent, a tail ends in exact zeros (eq/SilenceTail.h).
std::uint32_t EqInstance::tail(const clap_plugin_t* plugin)
{
    return SilenceTail::reportedFrames(of(plugin).effect->getSampleRate());
}

// The same output in both modes, and nothing that needs a real-time deadline.
bool EqInstance::hardRealtime(const clap_plugin_t*) { return false; }

bool EqInstance::setRender(const clap_plugin_t*, clap_plugin_render_mode mode)
{
    return mode == CLAP_RENDER_REALTIME || mode == CLAP_RENDER_OFFLINE;
}

}  // namespace korvo_clap
