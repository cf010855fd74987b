/* The plug-in's extensions the CLAP face offers (audio ports, parameters,
 * state, latency, tail, render, preset load) and the editor's (gui), each found through
 * clap_plugin.get_extension by its id. C-compatible. */
#pragma once

#include "clap/interface/Plugin.h"
#include "clap/interface/Stream.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Audio ports: scanned while the plug-in is inactive. */
static const char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
static const char CLAP_PORT_STEREO[] = "stereo";

enum {
    CLAP_AUDIO_PORT_IS_MAIN = 1 << 0,
    CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1 << 1,
    CLAP_AUDIO_PORT_PREFERS_64BITS = 1 << 2,
    CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1 << 3
};

typedef struct clap_audio_port_info {
    clap_id id;
    char name[CLAP_NAME_SIZE];
    uint32_t flags;
    uint32_t channel_count;
    const char* port_type;  /* CLAP_PORT_STEREO, ... */
    clap_id in_place_pair;  /* the port that may share this one's buffers, or CLAP_INVALID_ID */
} clap_audio_port_info_t;

typedef struct clap_plugin_audio_ports {
    uint32_t(KORVO_CLAP_ABI* count)(const clap_plugin_t* plugin, bool is_input);  /* [main-thread] */
    /* [main-thread] */
    bool(KORVO_CLAP_ABI* get)(const clap_plugin_t* plugin, uint32_t index, bool is_input,
                              clap_audio_port_info_t* info);
} clap_plugin_audio_ports_t;

/* ---- Parameters. Values are plain values between min_value and max_value. */
static const char CLAP_EXT_PARAMS[] = "clap.params";

enum {
    CLAP_PARAM_IS_STEPPED = 1 << 0,
    CLAP_PARAM_IS_PERIODIC = 1 << 1,
    CLAP_PARAM_IS_HIDDEN = 1 << 2,
    CLAP_PARAM_IS_READONLY = 1 << 3,
    CLAP_PARAM_IS_BYPASS = 1 << 4,
    CLAP_PARAM_IS_AUTOMATABLE = 1 << 5,
    CLAP_PARAM_IS_MODULATABLE = 1 << 10,
    CLAP_PARAM_REQUIRES_PROCESS = 1 << 15
};
typedef uint32_t clap_param_info_flags;

typedef struct clap_param_info {
    clap_id id;  /* never to change */
    clap_param_info_flags flags;
    void* cookie;
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE];  /* '/'-separated */
    double min_value;
    double max_value;
    double default_value;
} clap_param_info_t;

typedef struct clap_plugin_params {
    uint32_t(KORVO_CLAP_ABI* count)(const clap_plugin_t* plugin);  /* [main-thread] */
    /* [main-thread] */
    bool(KORVO_CLAP_ABI* get_info)(const clap_plugin_t* plugin, uint32_t param_index, clap_param_info_t* param_info);
    /* [main-thread] */
    bool(KORVO_CLAP_ABI* get_value)(const clap_plugin_t* plugin, clap_id param_id, double* out_value);
    /* [main-thread] UTF-8, terminated, within the capacity. */
    bool(KORVO_CLAP_ABI* value_to_text)(const clap_plugin_t* plugin, clap_id param_id, double value,
                                        char* out_buffer, uint32_t out_buffer_capacity);
    /* [main-thread] */
    bool(KORVO_CLAP_ABI* text_to_value)(const clap_plugin_t* plugin, clap_id param_id, const char* param_value_text,
                                        double* out_value);
    /* [active ? audio-thread : main-thread] Never at the same time as process. */
    void(KORVO_CLAP_ABI* flush)(const clap_plugin_t* plugin, const clap_input_events_t* in,
                                const clap_output_events_t* out);
} clap_plugin_params_t;

/* ---- State. */
static const char CLAP_EXT_STATE[] = "clap.state";

typedef struct clap_plugin_state {
    bool(KORVO_CLAP_ABI* save)(const clap_plugin_t* plugin, const clap_ostream_t* stream);  /* [main-thread] */
    bool(KORVO_CLAP_ABI* load)(const clap_plugin_t* plugin, const clap_istream_t* stream);  /* [main-thread] */
} clap_plugin_state_t;

/* ---- Latency. */
static const char CLAP_EXT_LATENCY[] = "clap.latency";

typedef struct clap_plugin_latency {
    uint32_t(KORVO_CLAP_ABI* get)(const clap_plugin_t* plugin);  /* [main-thread & (being-activated | active)] */
} clap_plugin_latency_t;

/* ---- Tail: INT32_MAX or more is a tail without end. */
static const char CLAP_EXT_TAIL[] = "clap.tail";

typedef struct clap_plugin_tail {
    uint32_t(KORVO_CLAP_ABI* get)(const clap_plugin_t* plugin);  /* [main-thread, audio-thread] */
} clap_plugin_tail_t;

/* ---- Render. */
static const char CLAP_EXT_RENDER[] = "clap.render";

enum { CLAP_RENDER_REALTIME = 0, CLAP_RENDER_OFFLINE = 1 };
typedef int32_t clap_plugin_render_mode;

typedef struct clap_plugin_render {
    bool(KORVO_CLAP_ABI* has_hard_realtime_requirement)(const clap_plugin_t* plugin);  /* [main-thread] */
    bool(KORVO_CLAP_ABI* set)(const clap_plugin_t* plugin, clap_plugin_render_mode mode);  /* [main-thread] */
} clap_plugin_render_t;

/* ---- The editor. Every call [main-thread]; set_parent only for an embedded
 * editor, set_transient and suggest_title only for a floating one. Sizes in
 * pixels; create before any size is asked. The plug-in asks the host for a
 * new size with clap_host_gui.request_resize (HostExtensions.h). */
static const char CLAP_EXT_GUI[] = "clap.gui";
static const char CLAP_WINDOW_API_WIN32[] = "win32"; /* physical pixels */
static const char CLAP_WINDOW_API_X11[] = "x11";     /* physical pixels */

typedef struct clap_window {
    const char* api;
    union {
        void* cocoa;
        void* uikit;
        unsigned long x11;
        void* win32;
        void* ptr;
    };
} clap_window_t;

typedef struct clap_gui_resize_hints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    uint32_t aspect_ratio_width;
    uint32_t aspect_ratio_height;
} clap_gui_resize_hints_t;

typedef struct clap_plugin_gui {
    bool(KORVO_CLAP_ABI* is_api_supported)(const clap_plugin_t* plugin, const char* api, bool is_floating);
    bool(KORVO_CLAP_ABI* get_preferred_api)(const clap_plugin_t* plugin, const char** api, bool* is_floating);
    bool(KORVO_CLAP_ABI* create)(const clap_plugin_t* plugin, const char* api, bool is_floating);
    void(KORVO_CLAP_ABI* destroy)(const clap_plugin_t* plugin);
    bool(KORVO_CLAP_ABI* set_scale)(const clap_plugin_t* plugin, double scale);
    bool(KORVO_CLAP_ABI* get_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);
    bool(KORVO_CLAP_ABI* can_resize)(const clap_plugin_t* plugin);
    bool(KORVO_CLAP_ABI* get_resize_hints)(const clap_plugin_t* plugin, clap_gui_resize_hints_t* hints);
    bool(KORVO_CLAP_ABI* adjust_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);
    bool(KORVO_CLAP_ABI* set_size)(const clap_plugin_t* plugin, uint32_t width, uint32_t height);
    bool(KORVO_CLAP_ABI* set_parent)(const clap_plugin_t* plugin, const clap_window_t* window);
    bool(KORVO_CLAP_ABI* set_transient)(const clap_plugin_t* plugin, const clap_window_t* window);
    void(KORVO_CLAP_ABI* suggest_title)(const clap_plugin_t* plugin, const char* title);
    bool(KORVO_CLAP_ABI* show)(const clap_plugin_t* plugin);
    bool(KORVO_CLAP_ABI* hide)(const clap_plugin_t* plugin);
} clap_plugin_gui_t;

/* ---- Preset load: a preset a preset-discovery provider declared, by its
 * location kind, location and load key. */
static const char CLAP_EXT_PRESET_LOAD[] = "clap.preset-load/2";
/* The draft's id, which hosts of the draft ask for; the same layout. */
static const char CLAP_EXT_PRESET_LOAD_COMPAT[] = "clap.preset-load.draft/2";

typedef struct clap_plugin_preset_load {
    /* [main-thread] true when the preset was loaded. */
    bool(KORVO_CLAP_ABI* from_location)(const clap_plugin_t* plugin, uint32_t location_kind, const char* location,
                                        const char* load_key);
} clap_plugin_preset_load_t;

#ifdef __cplusplus
}
static_assert(offsetof(clap_audio_port_info_t, in_place_pair) == (sizeof(void*) == 8 ? 280 : 272),
              "clap_audio_port_info layout");
static_assert(offsetof(clap_param_info_t, min_value) == 1296 && sizeof(clap_param_info_t) == 1320,
              "clap_param_info layout");
static_assert(sizeof(clap_window_t) == 2 * sizeof(void*), "clap_window layout");
static_assert(sizeof(clap_gui_resize_hints_t) == 12, "clap_gui_resize_hints layout");
#endif
