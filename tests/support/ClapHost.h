// A small CLAP host for the tests: a module loaded through its clap_entry as a
// host loads it (or, for unit tests, a factory in this very program), plug-ins
// made and initialised with a host of the test's, which offers the parameter
// requests, the thread checks, the editor's size requests and a main loop's
// timers and file descriptors, and counts what the plug-in asks of it, and
// the host's side of processing: event lists and streams.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "clap/interface/HostExtensions.h"
#include "clap/interface/PluginExtensions.h"
#include "clap/interface/PresetDiscovery.h"
#include "tools/PluginLoader.h"

class ClapHost {
public:
    // The module at the path: loaded, its entry found and initialised.
    explicit ClapHost(const std::string& modulePath);
    // A factory linked into the test program.
    explicit ClapHost(const clap_plugin_factory_t* linkedFactory);
    ~ClapHost();

    const clap_plugin_entry_t* entry() const { return moduleEntry; }
    const clap_plugin_factory_t* factory() const { return pluginFactory; }
    const std::string& error() const { return message; }

    // What the module's preset-discovery providers declare, read as an
    // indexing host reads it: each provider made and initialised, and the
    // metadata of each location it declares. Empty when the module has no
    // such factory.
    struct DeclaredLocation {
        std::uint32_t flags, kind;
        std::string name;
        bool hasPath;  // a location of the plug-in kind has none
    };
    struct DeclaredPreset {
        std::string name, loadKey, description;
        std::vector<std::string> pluginIds;  // "abi:id"
        std::uint32_t flags = 0;
        std::uint32_t locationKind = 0;
    };
    std::vector<DeclaredPreset> discoverPresets(std::vector<DeclaredLocation>& locations);

    // The host's preset-load answers: the load keys the plug-in said it
    // loaded, and the ones it said failed.
    std::vector<std::string> presetsLoaded, presetLoadErrors;

    // What the plug-ins asked of this host.
    int flushRequests = 0;
    std::vector<std::uint32_t> rescans;  // the flags of each params rescan

    // The main loop's timers (timer-support) and descriptors (posix-fd-support),
    // offered unless turned off before the plug-in asks, and what is registered.
    bool offersTimers = true;
    bool offersDescriptors = true;
    std::map<clap_id, std::uint32_t> timers;        // id: period in milliseconds
    std::map<int, std::uint32_t> descriptors;       // descriptor: clap_posix_fd_flags_t
    // The editor's size requests (gui.request_resize), each refused.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> resizes;

    // The host's events for a block: parameter values, in the order added.
    class InputEvents {
    public:
        InputEvents();
        void add(std::uint32_t time, clap_id id, double value, std::uint16_t type = CLAP_EVENT_PARAM_VALUE);
        const clap_input_events_t* list() const { return &events; }
        std::vector<clap_event_param_value_t> values;

    private:
        clap_input_events_t events;
    };

    // Takes the plug-in's events, up to `room` of them (then refuses); room
    // for them all is made at the start, so taking them never allocates.
    class OutputEvents {
    public:
        explicit OutputEvents(std::size_t room = 1000);
        const clap_output_events_t* list() const { return &events; }
        struct Event {
            std::uint16_t type;
            std::uint32_t time;
            clap_id id;
            double value;  // param values only
        };
        std::vector<Event> taken;
        std::size_t room;

    private:
        clap_output_events_t events;
    };

    // Bytes in memory, read or written at most `piece` bytes a call (0: no limit).
    class Stream {
    public:
        explicit Stream(std::vector<unsigned char> content = {}, std::uint64_t pieceBytes = 0);
        const clap_istream_t* in() const { return &input; }
        const clap_ostream_t* out() const { return &output; }
        std::vector<unsigned char> bytes;
        std::size_t position = 0;
        std::uint64_t piece;

    private:
        clap_istream_t input;
        clap_ostream_t output;
    };

    // One plug-in of the factory's, made and initialised; destroyed (after
    // deactivating it) with this object.
    class Plugin {
    public:
        Plugin(ClapHost& host, const char* id);
        ~Plugin();
        bool isReady() const { return plugin != nullptr; }

        template <class Extension>
        const Extension* extension(const char* id) const
        {
            return static_cast<const Extension*>(plugin->get_extension(plugin, id));
        }
        // Activated at the rate and started processing.
        bool start(double rate, std::uint32_t maxFrames);
        // One block of stereo float; the output's constant mask in `constant`.
        // Without `out` the host takes no events.
        clap_process_status process(float* const* inputs, float* const* outputs, std::uint32_t frames,
                                    const InputEvents* in, OutputEvents* out, std::uint64_t* constant = nullptr);
        std::vector<unsigned char> state() const;
        // Turns of the host's main loop, 5 ms apart: the plug-in's registered
        // descriptors that are readable (POSIX), each of its timers, and a
        // params.flush (inactive) taking its events into `events` when it
        // asked for one.
        void runMainLoop(OutputEvents& events, int turns = 4);

        const clap_plugin_t* plugin = nullptr;
        const clap_plugin_params_t* params = nullptr;
        const clap_plugin_state_t* stateExtension = nullptr;

        Plugin(const Plugin&) = delete;
        Plugin& operator=(const Plugin&) = delete;

    private:
        ClapHost& owner;
        bool active = false;
        int flushes = 0;  // the requests answered
    };

    ClapHost(const ClapHost&) = delete;
    ClapHost& operator=(const ClapHost&) = delete;

private:
    void offerHost();

    std::unique_ptr<PluginLoader> loader;
    const clap_plugin_entry_t* moduleEntry = nullptr;
    const clap_plugin_factory_t* pluginFactory = nullptr;
    bool initialised = false;
    std::string message;
    std::thread::id mainThread = std::this_thread::get_id();
    clap_host_t host{};
    clap_host_params_t hostParams{};
    clap_host_thread_check_t threadCheck{};
    clap_host_timer_support_t timerSupport{};
    clap_host_posix_fd_support_t fdSupport{};
    clap_host_gui_t gui{};
    clap_host_preset_load_t presetLoad{};
    clap_id nextTimer = 1;
};
