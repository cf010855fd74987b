/* The preset-discovery factory, found through clap_plugin_entry.get_factory:
 * its providers tell an indexing host where presets are and what they are,
 * and the plug-in's preset-load extension (clap/interface/PluginExtensions.h)
 * loads one by the location and load key a provider declared. Only what the
 * CLAP face uses is declared, with the published layouts. C-compatible. */
#pragma once

#include "clap/interface/Base.h"

#ifdef __cplusplus
extern "C" {
#endif

static const char CLAP_PRESET_DISCOVERY_FACTORY_ID[] = "clap.preset-discovery-factory/2";
/* The draft's id, which hosts of the draft ask for; the same layouts. */
static const char CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT[] = "clap.preset-discovery-factory/draft-2";

enum clap_preset_discovery_location_kind {
    CLAP_PRESET_DISCOVERY_LOCATION_FILE = 0,
    CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN = 1  /* inside the plug-in; the location is null */
};

enum clap_preset_discovery_flags {
    CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT = 1 << 0,
    CLAP_PRESET_DISCOVERY_IS_USER_CONTENT = 1 << 1,
    CLAP_PRESET_DISCOVERY_IS_DEMO_CONTENT = 1 << 2,
    CLAP_PRESET_DISCOVERY_IS_FAVORITE = 1 << 3
};

typedef uint64_t clap_timestamp_t;  /* seconds since 1970; 0: unknown */

typedef struct clap_universal_plugin_id {
    const char* abi;  /* "clap", "vst3", ... */
    const char* id;   /* for CLAP, the plug-in's id */
} clap_universal_plugin_id_t;

/* The host's receiver of one location's presets. Not thread-safe. */
typedef struct clap_preset_discovery_metadata_receiver {
    void* receiver_data;
    void(KORVO_CLAP_ABI* on_error)(const struct clap_preset_discovery_metadata_receiver* receiver, int32_t os_error,
                                   const char* error_message);
    /* Before anything else of each preset; false: stop. */
    bool(KORVO_CLAP_ABI* begin_preset)(const struct clap_preset_discovery_metadata_receiver* receiver,
                                       const char* name, const char* load_key);
    void(KORVO_CLAP_ABI* add_plugin_id)(const struct clap_preset_discovery_metadata_receiver* receiver,
                                        const clap_universal_plugin_id_t* plugin_id);
    void(KORVO_CLAP_ABI* set_soundpack_id)(const struct clap_preset_discovery_metadata_receiver* receiver,
                                           const char* soundpack_id);
    void(KORVO_CLAP_ABI* set_flags)(const struct clap_preset_discovery_metadata_receiver* receiver, uint32_t flags);
    void(KORVO_CLAP_ABI* add_creator)(const struct clap_preset_discovery_metadata_receiver* receiver,
                                      const char* creator);
    void(KORVO_CLAP_ABI* set_description)(const struct clap_preset_discovery_metadata_receiver* receiver,
                                          const char* description);
    void(KORVO_CLAP_ABI* set_timestamps)(const struct clap_preset_discovery_metadata_receiver* receiver,
                                         clap_timestamp_t creation_time, clap_timestamp_t modification_time);
    void(KORVO_CLAP_ABI* add_feature)(const struct clap_preset_discovery_metadata_receiver* receiver,
                                      const char* feature);
    void(KORVO_CLAP_ABI* add_extra_info)(const struct clap_preset_discovery_metadata_receiver* receiver,
                                         const char* key, const char* value);
} clap_preset_discovery_metadata_receiver_t;

typedef struct clap_preset_discovery_filetype {
    const char* name;
    const char* description;
    const char* file_extension;  /* without the dot */
} clap_preset_discovery_filetype_t;

typedef struct clap_preset_discovery_location {
    uint32_t flags;  /* clap_preset_discovery_flags */
    const char* name;
    uint32_t kind;   /* clap_preset_discovery_location_kind */
    const char* location;
} clap_preset_discovery_location_t;

typedef struct clap_preset_discovery_soundpack {
    uint32_t flags;
    const char* id;
    const char* name;
    const char* description;
    const char* homepage_url;
    const char* vendor;
    const char* image_path;
    clap_timestamp_t release_timestamp;
} clap_preset_discovery_soundpack_t;

typedef struct clap_preset_discovery_provider_descriptor {
    clap_version_t clap_version;
    const char* id;
    const char* name;
    const char* vendor;
} clap_preset_discovery_provider_descriptor_t;

/* Not thread-safe: the host calls one provider from one thread at a time. */
typedef struct clap_preset_discovery_provider {
    const clap_preset_discovery_provider_descriptor_t* desc;
    void* provider_data;
    /* Declares the provider's locations (and file types, sound packs). */
    bool(KORVO_CLAP_ABI* init)(const struct clap_preset_discovery_provider* provider);
    void(KORVO_CLAP_ABI* destroy)(const struct clap_preset_discovery_provider* provider);
    bool(KORVO_CLAP_ABI* get_metadata)(const struct clap_preset_discovery_provider* provider, uint32_t location_kind,
                                       const char* location,
                                       const clap_preset_discovery_metadata_receiver_t* metadata_receiver);
    const void*(KORVO_CLAP_ABI* get_extension)(const struct clap_preset_discovery_provider* provider,
                                               const char* extension_id);
} clap_preset_discovery_provider_t;

/* The host's indexer. Not thread-safe. */
typedef struct clap_preset_discovery_indexer {
    clap_version_t clap_version;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    void* indexer_data;
    bool(KORVO_CLAP_ABI* declare_filetype)(const struct clap_preset_discovery_indexer* indexer,
                                           const clap_preset_discovery_filetype_t* filetype);
    bool(KORVO_CLAP_ABI* declare_location)(const struct clap_preset_discovery_indexer* indexer,
                                           const clap_preset_discovery_location_t* location);
    bool(KORVO_CLAP_ABI* declare_soundpack)(const struct clap_preset_discovery_indexer* indexer,
                                            const clap_preset_discovery_soundpack_t* soundpack);
    const void*(KORVO_CLAP_ABI* get_extension)(const struct clap_preset_discovery_indexer* indexer,
                                               const char* extension_id);
} clap_preset_discovery_indexer_t;

/* Every call [thread-safe]. */
typedef struct clap_preset_discovery_factory {
    uint32_t(KORVO_CLAP_ABI* count)(const struct clap_preset_discovery_factory* factory);
    const clap_preset_discovery_provider_descriptor_t*(KORVO_CLAP_ABI* get_descriptor)(
        const struct clap_preset_discovery_factory* factory, uint32_t index);
    /* The provider may not call the indexer before the host calls its init. */
    const clap_preset_discovery_provider_t*(KORVO_CLAP_ABI* create)(
        const struct clap_preset_discovery_factory* factory, const clap_preset_discovery_indexer_t* indexer,
        const char* provider_id);
} clap_preset_discovery_factory_t;

#ifdef __cplusplus
}
static_assert(sizeof(clap_preset_discovery_metadata_receiver_t) == 11 * sizeof(void*),
              "clap_preset_discovery_metadata_receiver layout");
static_assert(sizeof(clap_preset_discovery_location_t) == 4 * sizeof(void*),
              "clap_preset_discovery_location layout");
static_assert(sizeof(clap_preset_discovery_indexer_t) == (sizeof(void*) == 8 ? 88 : 48),
              "clap_preset_discovery_indexer layout");
static_assert(sizeof(clap_preset_discovery_provider_descriptor_t) == (sizeof(void*) == 8 ? 40 : 24),
              "clap_preset_discovery_provider_descriptor layout");
#endif
