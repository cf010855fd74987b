// One equaliser as a CLAP host sees it: the clap_plugin record and the
// extensions it offers, over the equaliser's effect, the same object the VST 2
// module hands its hosts, made the same way (createEffect) and reached through
// its public operations only. Each entry's line names the threads CLAP lets
// the host call it from.
#pragma once

#include "clap/GuiExtension.h"
#include "clap/HostCallback.h"
#include "clap/interface/PluginExtensions.h"
#include "eq/Parameters.h"
#include "host/EffectBase.h"
#include "host/VstAbi.h"

namespace korvo_clap {

class EqInstance {
public:
    // [thread-safe] A new instance for this host (which it may not call
    // before init), or null when the effect cannot be made.
    static EqInstance* create(const clap_host_t* host, const clap_plugin_descriptor_t* descriptor);

    const clap_plugin_t* plugin() const { return &record; }
    // [thread-safe] The instance behind a plug-in record of this module's.
    static EqInstance& of(const clap_plugin_t* plugin);

    // [main-thread] The effect and the host's side of its editor's gestures,
    // for the editor.
    EffectBase& getEffect() { return *effect; }
    HostCallback& getHostCallback() { return callback; }
    // [main-thread] Its editor under clap.gui.
    GuiExtension& getGui() { return gui; }

    EqInstance(const EqInstance&) = delete;
    EqInstance& operator=(const EqInstance&) = delete;

private:
    EqInstance() = default;
    ~EqInstance();

    // The plug-in.
    static bool KORVO_CLAP_ABI init(const clap_plugin_t* plugin);                    // [main-thread]
    static void KORVO_CLAP_ABI destroy(const clap_plugin_t* plugin);                 // [main-thread & !active]
    static bool KORVO_CLAP_ABI activate(const clap_plugin_t* plugin, double rate, std::uint32_t minFrames,
                                        std::uint32_t maxFrames);                    // [main-thread & !active]
    static void KORVO_CLAP_ABI deactivate(const clap_plugin_t* plugin);              // [main-thread & active]
    static bool KORVO_CLAP_ABI startProcessing(const clap_plugin_t* plugin);         // [audio-thread & active]
    static void KORVO_CLAP_ABI stopProcessing(const clap_plugin_t* plugin);          // [audio-thread & active]
    static void KORVO_CLAP_ABI reset(const clap_plugin_t* plugin);                   // [audio-thread & active]
    VST_ENTRY_ALIGN static clap_process_status KORVO_CLAP_ABI process(
        const clap_plugin_t* plugin, const clap_process_t* data);                    // [audio-thread & processing]
    static const void* KORVO_CLAP_ABI getExtension(const clap_plugin_t* plugin, const char* id);  // [thread-safe]
    static void KORVO_CLAP_ABI onMainThread(const clap_plugin_t* plugin);            // [main-thread]

    // Audio ports: one stereo input and one stereo output, a pair in place.
    static std::uint32_t KORVO_CLAP_ABI portCount(const clap_plugin_t* plugin, bool isInput);  // [main-thread]
    static bool KORVO_CLAP_ABI portInfo(const clap_plugin_t* plugin, std::uint32_t index, bool isInput,
                                        clap_audio_port_info_t* info);                         // [main-thread]

    // Parameters (clap/ParameterMap.h).
    static std::uint32_t KORVO_CLAP_ABI paramCount(const clap_plugin_t* plugin);  // [main-thread]
    static bool KORVO_CLAP_ABI paramInfo(const clap_plugin_t* plugin, std::uint32_t index,
                                         clap_param_info_t* info);                // [main-thread]
    static bool KORVO_CLAP_ABI paramValue(const clap_plugin_t* plugin, clap_id id, double* value);  // [main-thread]
    static bool KORVO_CLAP_ABI valueToText(const clap_plugin_t* plugin, clap_id id, double value, char* text,
                                           std::uint32_t capacity);                // [main-thread]
    static bool KORVO_CLAP_ABI textToValue(const clap_plugin_t* plugin, clap_id id, const char* text,
                                           double* value);                         // [main-thread]
    VST_ENTRY_ALIGN static void KORVO_CLAP_ABI flush(const clap_plugin_t* plugin, const clap_input_events_t* in,
                                                     const clap_output_events_t* out);  // [active ? audio : main]

    // State (clap/StateStream.h).
    static bool KORVO_CLAP_ABI save(const clap_plugin_t* plugin, const clap_ostream_t* stream);  // [main-thread]
    static bool KORVO_CLAP_ABI load(const clap_plugin_t* plugin, const clap_istream_t* stream);  // [main-thread]

    // Preset load: a factory preset, by the load key the preset-discovery
    // provider declared (clap/PresetDiscovery.h), loaded as a state is.
    static bool KORVO_CLAP_ABI loadPreset(const clap_plugin_t* plugin, std::uint32_t kind, const char* location,
                                          const char* key);  // [main-thread]
    // [main-thread] After a state or preset load: the host reads the values again.
    void valuesLoaded();

    // Latency, tail and render.
    static std::uint32_t KORVO_CLAP_ABI latency(const clap_plugin_t* plugin);  // [main-thread & active]
    static std::uint32_t KORVO_CLAP_ABI tail(const clap_plugin_t* plugin);     // [main-thread, audio-thread]
    static bool KORVO_CLAP_ABI hardRealtime(const clap_plugin_t* plugin);      // [main-thread]
    static bool KORVO_CLAP_ABI setRender(const clap_plugin_t* plugin, clap_plugin_render_mode mode);  // [main-thread]

    static const clap_plugin_audio_ports_t kAudioPorts;
    static const clap_plugin_params_t kParams;
    static const clap_plugin_state_t kState;
    static const clap_plugin_preset_load_t kPresetLoad;
    static const clap_plugin_latency_t kLatency;
    static const clap_plugin_tail_t kTail;
    static const clap_plugin_render_t kRender;

    clap_plugin_t record{};
    const clap_host_t* host = nullptr;
    HostCallback callback;
    EffectBase* effect = nullptr;
    GuiExtension gui;
    float defaults[kNumParameters] = {};  // the effect's values as made: the initial program
};

}  // namespace korvo_clap
