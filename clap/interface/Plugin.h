/* CLAP's core: the host as the plug-in sees it, the plug-in descriptor and
 * instance, the plug-in factory and the module's entry. C-compatible. Thread
 * tags as the interface states them: [main-thread], [audio-thread],
 * [thread-safe]. */
#pragma once

#include "clap/interface/Process.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct clap_host {
    clap_version_t clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    /* [thread-safe] An extension of the host's by id, or null. Not before plugin->init. */
    const void*(KORVO_CLAP_ABI* get_extension)(const struct clap_host* host, const char* extension_id);
    void(KORVO_CLAP_ABI* request_restart)(const struct clap_host* host);   /* [thread-safe] */
    void(KORVO_CLAP_ABI* request_process)(const struct clap_host* host);   /* [thread-safe] */
    void(KORVO_CLAP_ABI* request_callback)(const struct clap_host* host);  /* [thread-safe] */
} clap_host_t;

typedef struct clap_plugin_descriptor {
    clap_version_t clap_version;
    const char* id;       /* mandatory, reverse-domain, never to change */
    const char* name;     /* mandatory */
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features;  /* null-terminated */
} clap_plugin_descriptor_t;

typedef struct clap_plugin {
    const clap_plugin_descriptor_t* desc;
    void* plugin_data;
    bool(KORVO_CLAP_ABI* init)(const struct clap_plugin* plugin);     /* [main-thread] */
    void(KORVO_CLAP_ABI* destroy)(const struct clap_plugin* plugin);  /* [main-thread & !active] */
    /* [main-thread & !active] */
    bool(KORVO_CLAP_ABI* activate)(const struct clap_plugin* plugin, double sample_rate, uint32_t min_frames_count,
                                   uint32_t max_frames_count);
    void(KORVO_CLAP_ABI* deactivate)(const struct clap_plugin* plugin);        /* [main-thread & active] */
    bool(KORVO_CLAP_ABI* start_processing)(const struct clap_plugin* plugin);  /* [audio-thread & active] */
    void(KORVO_CLAP_ABI* stop_processing)(const struct clap_plugin* plugin);   /* [audio-thread & active] */
    void(KORVO_CLAP_ABI* reset)(const struct clap_plugin* plugin);             /* [audio-thread & active] */
    /* [audio-thread & active & processing] */
    clap_process_status(KORVO_CLAP_ABI* process)(const struct clap_plugin* plugin, const clap_process_t* process);
    /* [thread-safe] An extension of the plug-in's by id, or null. */
    const void*(KORVO_CLAP_ABI* get_extension)(const struct clap_plugin* plugin, const char* id);
    void(KORVO_CLAP_ABI* on_main_thread)(const struct clap_plugin* plugin);  /* [main-thread] */
} clap_plugin_t;

static const char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

/* Every call [thread-safe]. */
typedef struct clap_plugin_factory {
    uint32_t(KORVO_CLAP_ABI* get_plugin_count)(const struct clap_plugin_factory* factory);
    const clap_plugin_descriptor_t*(KORVO_CLAP_ABI* get_plugin_descriptor)(const struct clap_plugin_factory* factory,
                                                                          uint32_t index);
    /* The host must outlive the plug-in, which may not call it before init. */
    const clap_plugin_t*(KORVO_CLAP_ABI* create_plugin)(const struct clap_plugin_factory* factory,
                                                       const clap_host_t* host, const char* plugin_id);
} clap_plugin_factory_t;

/* The module's one exported symbol, `clap_entry`. init before anything else
 * (the module's path), deinit after everything; a host may pair them more
 * than once. get_factory is [thread-safe]. */
typedef struct clap_plugin_entry {
    clap_version_t clap_version;
    bool(KORVO_CLAP_ABI* init)(const char* plugin_path);
    void(KORVO_CLAP_ABI* deinit)(void);
    const void*(KORVO_CLAP_ABI* get_factory)(const char* factory_id);
} clap_plugin_entry_t;

#ifdef __cplusplus
}
static_assert(sizeof(clap_host_t) == (sizeof(void*) == 8 ? 88 : 48), "clap_host layout");
static_assert(sizeof(clap_plugin_descriptor_t) == (sizeof(void*) == 8 ? 88 : 48), "clap_plugin_descriptor layout");
static_assert(sizeof(clap_plugin_t) == 12 * sizeof(void*), "clap_plugin layout");
static_assert(sizeof(clap_plugin_entry_t) == (sizeof(void*) == 8 ? 40 : 24), "clap_plugin_entry layout");
#endif
