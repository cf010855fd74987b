#include "tests/support/ClapHost.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#if !defined(_WIN32)
#include <poll.h>
#endif

namespace {

ClapHost& hostOf(const clap_host_t* host) { return *static_cast<ClapHost*>(host->host_data); }

}  // namespace

ClapHost::ClapHost(const std::string& modulePath) : loader(std::make_unique<PluginLoader>(modulePath))
{
    offerHost();
    if (!loader->isLoaded()) {
        message = loader->error();
        return;
    }
    moduleEntry = static_cast<const clap_plugin_entry_t*>(loader->symbol("clap_entry"));
    if (!moduleEntry) {
        message = "no clap_entry in " + modulePath;
        return;
    }
    initialised = moduleEntry->init(modulePath.c_str());
    if (!initialised) {
        message = "clap_entry.init failed";
        return;
    }
    pluginFactory = static_cast<const clap_plugin_factory_t*>(moduleEntry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (!pluginFactory) {
        message = "no plug-in factory";
    }
}

ClapHost::ClapHost(const clap_plugin_factory_t* linkedFactory) : pluginFactory(linkedFactory) { offerHost(); }

ClapHost::~ClapHost()
{
    if (initialised) {
        moduleEntry->deinit();
    }
}

void ClapHost::offerHost()
{
    hostParams.rescan = [](const clap_host_t* h, clap_param_rescan_flags flags) { hostOf(h).rescans.push_back(flags); };
    hostParams.clear = [](const clap_host_t*, clap_id, clap_param_clear_flags) {};
    hostParams.request_flush = [](const clap_host_t* h) { ++hostOf(h).flushRequests; };
    threadCheck.is_main_thread = [](const clap_host_t* h) {
        return std::this_thread::get_id() == hostOf(h).mainThread;
    };
    threadCheck.is_audio_thread = [](const clap_host_t* h) {
        return std::this_thread::get_id() != hostOf(h).mainThread;
    };
    timerSupport.register_timer = [](const clap_host_t* h, std::uint32_t period, clap_id* id) {
        ClapHost& self = hostOf(h);
        *id = self.nextTimer++;
        self.timers[*id] = period;
        return true;
    };
    timerSupport.unregister_timer = [](const clap_host_t* h, clap_id id) { return hostOf(h).timers.erase(id) == 1; };
    fdSupport.register_fd = [](const clap_host_t* h, int fd, clap_posix_fd_flags_t flags) {
        return hostOf(h).descriptors.emplace(fd, flags).second;
    };
    fdSupport.modify_fd = [](const clap_host_t* h, int fd, clap_posix_fd_flags_t flags) {
        auto found = hostOf(h).descriptors.find(fd);
        return found != hostOf(h).descriptors.end() && (found->second = flags, true);
    };
    fdSupport.unregister_fd = [](const clap_host_t* h, int fd) { return hostOf(h).descriptors.erase(fd) == 1; };
    gui.resize_hints_changed = [](const clap_host_t*) {};
    gui.request_resize = [](const clap_host_t* h, std::uint32_t width, std::uint32_t height) {
        hostOf(h).resizes.emplace_back(width, height);
        return false;
    };
    gui.request_show = [](const clap_host_t*) { return false; };
    gui.request_hide = [](const clap_host_t*) { return false; };
    gui.closed = [](const clap_host_t*, bool) {};
    presetLoad.on_error = [](const clap_host_t* h, std::uint32_t, const char*, const char* key, std::int32_t,
                             const char*) { hostOf(h).presetLoadErrors.push_back(key ? key : "(null)"); };
    presetLoad.loaded = [](const clap_host_t* h, std::uint32_t, const char*, const char* key) {
        hostOf(h).presetsLoaded.push_back(key ? key : "(null)");
    };
    host.clap_version = KORVO_CLAP_VERSION_INIT;
    host.host_data = this;
    host.name = "korvo tests";
    host.vendor = "Vardle";
    host.url = "";
    host.version = "1";
    host.get_extension = [](const clap_host_t* h, const char* id) -> const void* {
        ClapHost& self = hostOf(h);
        const struct {
            const char* id;
            const void* extension;
        } offered[] = {{CLAP_EXT_PARAMS, &self.hostParams},
                       {CLAP_EXT_THREAD_CHECK, &self.threadCheck},
                       {CLAP_EXT_GUI, &self.gui},
                       {CLAP_EXT_PRESET_LOAD, &self.presetLoad},
                       {CLAP_EXT_TIMER_SUPPORT, self.offersTimers ? &self.timerSupport : nullptr},
                       {CLAP_EXT_POSIX_FD_SUPPORT, self.offersDescriptors ? &self.fdSupport : nullptr}};
        for (const auto& entry : offered) {
            if (std::strcmp(id, entry.id) == 0) {
                return entry.extension;
            }
        }
        return nullptr;
    };
    host.request_restart = [](const clap_host_t*) {};
    host.request_process = [](const clap_host_t*) {};
    host.request_callback = [](const clap_host_t*) {};
}

// ---- Preset discovery --------------------------------------------------------------

namespace {

// What an indexer and a metadata receiver collect.
struct Indexing {
    std::vector<ClapHost::DeclaredLocation>* locations;
    std::vector<ClapHost::DeclaredPreset> presets;
    std::uint32_t kind = 0;
};

Indexing& indexingOf(const clap_preset_discovery_metadata_receiver_t* r)
{
    return *static_cast<Indexing*>(r->receiver_data);
}

}  // namespace

std::vector<ClapHost::DeclaredPreset> ClapHost::discoverPresets(std::vector<DeclaredLocation>& locations)
{
    Indexing indexing{&locations, {}};
    const auto* factory = moduleEntry ? static_cast<const clap_preset_discovery_factory_t*>(
                                            moduleEntry->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID))
                                      : nullptr;
    if (!factory) {
        message = "no preset-discovery factory";
        return {};
    }
    clap_preset_discovery_indexer_t indexer{};
    indexer.clap_version = KORVO_CLAP_VERSION_INIT;
    indexer.name = "korvo tests";
    indexer.indexer_data = &indexing;
    indexer.declare_filetype = [](const clap_preset_discovery_indexer_t*, const clap_preset_discovery_filetype_t*) {
        return true;
    };
    indexer.declare_location = [](const clap_preset_discovery_indexer_t* i, const clap_preset_discovery_location_t* l) {
        static_cast<Indexing*>(i->indexer_data)
            ->locations->push_back({l->flags, l->kind, l->name ? l->name : "", l->location != nullptr});
        return true;
    };
    indexer.declare_soundpack = [](const clap_preset_discovery_indexer_t*, const clap_preset_discovery_soundpack_t*) {
        return true;
    };
    indexer.get_extension = [](const clap_preset_discovery_indexer_t*, const char*) -> const void* { return nullptr; };

    clap_preset_discovery_metadata_receiver_t receiver{};
    receiver.receiver_data = &indexing;
    receiver.on_error = [](const clap_preset_discovery_metadata_receiver_t*, std::int32_t, const char*) {};
    receiver.begin_preset = [](const clap_preset_discovery_metadata_receiver_t* r, const char* name, const char* key) {
        DeclaredPreset preset;
        preset.name = name ? name : "(null)";
        preset.loadKey = key ? key : "(null)";
        preset.locationKind = indexingOf(r).kind;
        indexingOf(r).presets.push_back(preset);
        return true;
    };
    receiver.add_plugin_id = [](const clap_preset_discovery_metadata_receiver_t* r,
                                const clap_universal_plugin_id_t* id) {
        indexingOf(r).presets.back().pluginIds.push_back(std::string(id->abi) + ":" + id->id);
    };
    receiver.set_soundpack_id = [](const clap_preset_discovery_metadata_receiver_t*, const char*) {};
    receiver.set_flags = [](const clap_preset_discovery_metadata_receiver_t* r, std::uint32_t flags) {
        indexingOf(r).presets.back().flags = flags;
    };
    receiver.add_creator = [](const clap_preset_discovery_metadata_receiver_t*, const char*) {};
    receiver.set_description = [](const clap_preset_discovery_metadata_receiver_t* r, const char* text) {
        indexingOf(r).presets.back().description = text ? text : "";
    };
    receiver.set_timestamps = [](const clap_preset_discovery_metadata_receiver_t*, clap_timestamp_t,
                                 clap_timestamp_t) {};
    receiver.add_feature = [](const clap_preset_discovery_metadata_receiver_t*, const char*) {};
    receiver.add_extra_info = [](const clap_preset_discovery_metadata_receiver_t*, const char*, const char*) {};

    for (std::uint32_t p = 0; p < factory->count(factory); ++p) {
        const clap_preset_discovery_provider_descriptor_t* descriptor = factory->get_descriptor(factory, p);
        const clap_preset_discovery_provider_t* provider =
            descriptor ? factory->create(factory, &indexer, descriptor->id) : nullptr;
        if (!provider) {
            message = "a preset-discovery provider could not be made";
            continue;
        }
        const std::size_t before = locations.size();
        if (provider->init(provider)) {
            for (std::size_t l = before; l < locations.size(); ++l) {
                indexing.kind = locations[l].kind;
                provider->get_metadata(provider, locations[l].kind, nullptr, &receiver);
            }
        }
        provider->destroy(provider);
    }
    return indexing.presets;
}

// ---- Events ---------------------------------------------------------------------

ClapHost::InputEvents::InputEvents()
{
    events.ctx = this;
    events.size = [](const clap_input_events_t* list) {
        return static_cast<std::uint32_t>(static_cast<const InputEvents*>(list->ctx)->values.size());
    };
    events.get = [](const clap_input_events_t* list, std::uint32_t index) -> const clap_event_header_t* {
        const auto& all = static_cast<const InputEvents*>(list->ctx)->values;
        return index < all.size() ? &all[index].header : nullptr;
    };
}

void ClapHost::InputEvents::add(std::uint32_t time, clap_id id, double value, std::uint16_t type)
{
    clap_event_param_value_t event{};
    event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    event.param_id = id;
    event.note_id = -1;
    event.port_index = -1;
    event.channel = -1;
    event.key = -1;
    event.value = value;
    values.push_back(event);
}

ClapHost::OutputEvents::OutputEvents(std::size_t roomFor) : room(roomFor)
{
    taken.reserve(room);
    events.ctx = this;
    events.try_push = [](const clap_output_events_t* list, const clap_event_header_t* header) {
        auto& self = *static_cast<OutputEvents*>(list->ctx);
        if (self.taken.size() >= self.room || header->space_id != CLAP_CORE_EVENT_SPACE_ID) {
            return false;
        }
        Event event{header->type, header->time, 0, 0.0};
        if (header->type == CLAP_EVENT_PARAM_VALUE && header->size == sizeof(clap_event_param_value_t)) {
            const auto* value = reinterpret_cast<const clap_event_param_value_t*>(header);
            event.id = value->param_id;
            event.value = value->value;
        } else if (header->size == sizeof(clap_event_param_gesture_t)) {
            event.id = reinterpret_cast<const clap_event_param_gesture_t*>(header)->param_id;
        }
        self.taken.push_back(event);
        return true;
    };
}

// ---- Streams --------------------------------------------------------------------

ClapHost::Stream::Stream(std::vector<unsigned char> content, std::uint64_t pieceBytes)
    : bytes(std::move(content)), piece(pieceBytes)
{
    input.ctx = this;
    input.read = [](const clap_istream_t* stream, void* buffer, std::uint64_t size) -> std::int64_t {
        auto& self = *static_cast<Stream*>(stream->ctx);
        std::size_t count = self.bytes.size() - self.position;
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size));
        count = self.piece > 0 ? static_cast<std::size_t>(std::min<std::uint64_t>(count, self.piece)) : count;
        if (count > 0) {
            std::memcpy(buffer, self.bytes.data() + self.position, count);
        }
        self.position += count;
        return static_cast<std::int64_t>(count);
    };
    output.ctx = this;
    output.write = [](const clap_ostream_t* stream, const void* buffer, std::uint64_t size) -> std::int64_t {
        auto& self = *static_cast<Stream*>(stream->ctx);
        const std::uint64_t count = self.piece > 0 ? std::min(size, self.piece) : size;
        const auto* from = static_cast<const unsigned char*>(buffer);
        self.bytes.insert(self.bytes.end(), from, from + count);
        return static_cast<std::int64_t>(count);
    };
}

// ---- A plug-in ------------------------------------------------------------------

ClapHost::Plugin::Plugin(ClapHost& host, const char* id) : owner(host)
{
    const clap_plugin_factory_t* factory = host.factory();
    const clap_plugin_t* made = factory ? factory->create_plugin(factory, &host.host, id) : nullptr;
    if (!made) {
        return;
    }
    if (!made->init(made)) {
        made->destroy(made);
        return;
    }
    plugin = made;
    params = extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    stateExtension = extension<clap_plugin_state_t>(CLAP_EXT_STATE);
}

ClapHost::Plugin::~Plugin()
{
    if (!plugin) {
        return;
    }
    if (active) {
        plugin->stop_processing(plugin);
        plugin->deactivate(plugin);
    }
    plugin->destroy(plugin);
}

bool ClapHost::Plugin::start(double rate, std::uint32_t maxFrames)
{
    active = plugin->activate(plugin, rate, 1, maxFrames);
    return active && plugin->start_processing(plugin);
}

clap_process_status ClapHost::Plugin::process(float* const* inputs, float* const* outputs, std::uint32_t frames,
                                              const InputEvents* in, OutputEvents* out, std::uint64_t* constant)
{
    float* ins[2] = {inputs[0], inputs[1]};
    float* outs[2] = {outputs[0], outputs[1]};
    clap_audio_buffer_t input{ins, nullptr, 2, 0, 0};
    clap_audio_buffer_t output{outs, nullptr, 2, 0, ~std::uint64_t{0}};  // whatever was there: the plug-in sets it
    static const InputEvents noEvents;
    clap_process_t data{};
    data.steady_time = -1;
    data.frames_count = frames;
    data.audio_inputs = &input;
    data.audio_outputs = &output;
    data.audio_inputs_count = 1;
    data.audio_outputs_count = 1;
    data.in_events = (in ? in : &noEvents)->list();
    OutputEvents none(0);  // takes nothing: the plug-in keeps its events for a later call
    data.out_events = (out ? out : &none)->list();
    const clap_process_status status = plugin->process(plugin, &data);
    if (constant) {
        *constant = output.constant_mask;
    }
    return status;
}

std::vector<unsigned char> ClapHost::Plugin::state() const
{
    Stream stream;
    return stateExtension->save(plugin, stream.out()) ? stream.bytes : std::vector<unsigned char>{};
}

void ClapHost::Plugin::runMainLoop(OutputEvents& events, int turns)
{
    const auto* timerSupport = extension<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
#if !defined(_WIN32)
    const auto* fdSupport = extension<clap_plugin_posix_fd_support_t>(CLAP_EXT_POSIX_FD_SUPPORT);
#endif
    for (int turn = 0; turn < turns; ++turn) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
#if !defined(_WIN32)
        for (const auto& registered : std::map<int, std::uint32_t>(owner.descriptors)) {
            pollfd watched{registered.first, POLLIN, 0};
            if (fdSupport && (registered.second & CLAP_POSIX_FD_READ) && poll(&watched, 1, 0) > 0 &&
                (watched.revents & POLLIN) && owner.descriptors.count(registered.first)) {
                fdSupport->on_fd(plugin, registered.first, CLAP_POSIX_FD_READ);
            }
        }
#endif
        for (const auto& registered : std::map<clap_id, std::uint32_t>(owner.timers)) {
            if (timerSupport && owner.timers.count(registered.first)) {
                timerSupport->on_timer(plugin, registered.first);
            }
        }
        if (owner.flushRequests > flushes) {
            flushes = owner.flushRequests;
            static const InputEvents noEvents;
            params->flush(plugin, noEvents.list(), events.list());
        }
    }
}
