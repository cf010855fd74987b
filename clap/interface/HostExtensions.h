/* The host's extensions the CLAP face may ask for, each found through
 * clap_host.get_extension by its id (none is required): thread checks, timers
 * and file descriptors on the main thread's run loop, the parameter requests,
 * the editor's size requests, logging and preset loads. C-compatible. */
#pragma once

#include "clap/interface/Plugin.h"

#ifdef __cplusplus
extern "C" {
#endif

static const char CLAP_EXT_THREAD_CHECK[] = "clap.thread-check";

typedef struct clap_host_thread_check {
    bool(KORVO_CLAP_ABI* is_main_thread)(const clap_host_t* host);   /* [thread-safe] */
    bool(KORVO_CLAP_ABI* is_audio_thread)(const clap_host_t* host);  /* [thread-safe] */
} clap_host_thread_check_t;

static const char CLAP_EXT_TIMER_SUPPORT[] = "clap.timer-support";

typedef struct clap_plugin_timer_support {
    void(KORVO_CLAP_ABI* on_timer)(const clap_plugin_t* plugin, clap_id timer_id);  /* [main-thread] */
} clap_plugin_timer_support_t;

typedef struct clap_host_timer_support {
    /* [main-thread] */
    bool(KORVO_CLAP_ABI* register_timer)(const clap_host_t* host, uint32_t period_ms, clap_id* timer_id);
    bool(KORVO_CLAP_ABI* unregister_timer)(const clap_host_t* host, clap_id timer_id);  /* [main-thread] */
} clap_host_timer_support_t;

static const char CLAP_EXT_POSIX_FD_SUPPORT[] = "clap.posix-fd-support";

enum { CLAP_POSIX_FD_READ = 1 << 0, CLAP_POSIX_FD_WRITE = 1 << 1, CLAP_POSIX_FD_ERROR = 1 << 2 };
typedef uint32_t clap_posix_fd_flags_t;

typedef struct clap_plugin_posix_fd_support {
    void(KORVO_CLAP_ABI* on_fd)(const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t flags);  /* [main-thread] */
} clap_plugin_posix_fd_support_t;

typedef struct clap_host_posix_fd_support {
    /* Every call [main-thread]. */
    bool(KORVO_CLAP_ABI* register_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
    bool(KORVO_CLAP_ABI* modify_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
    bool(KORVO_CLAP_ABI* unregister_fd)(const clap_host_t* host, int fd);
} clap_host_posix_fd_support_t;

/* The host's side of parameters (the plug-in's is in PluginExtensions.h). */
enum {
    CLAP_PARAM_RESCAN_VALUES = 1 << 0,  /* the values changed, as after loading a state */
    CLAP_PARAM_RESCAN_TEXT = 1 << 1,
    CLAP_PARAM_RESCAN_INFO = 1 << 2,
    CLAP_PARAM_RESCAN_ALL = 1 << 3
};
typedef uint32_t clap_param_rescan_flags;
typedef uint32_t clap_param_clear_flags;

typedef struct clap_host_params {
    void(KORVO_CLAP_ABI* rescan)(const clap_host_t* host, clap_param_rescan_flags flags);  /* [main-thread] */
    /* [main-thread] */
    void(KORVO_CLAP_ABI* clear)(const clap_host_t* host, clap_id param_id, clap_param_clear_flags flags);
    /* [thread-safe, !audio-thread] Asks for a process or params.flush call soon. */
    void(KORVO_CLAP_ABI* request_flush)(const clap_host_t* host);
} clap_host_params_t;

/* The host's side of the editor, under the plug-in's id CLAP_EXT_GUI. */
typedef struct clap_host_gui {
    void(KORVO_CLAP_ABI* resize_hints_changed)(const clap_host_t* host);  /* [thread-safe & !floating] */
    /* [thread-safe & !floating] True when the host takes the new size. */
    bool(KORVO_CLAP_ABI* request_resize)(const clap_host_t* host, uint32_t width, uint32_t height);
    bool(KORVO_CLAP_ABI* request_show)(const clap_host_t* host);                  /* [thread-safe] */
    bool(KORVO_CLAP_ABI* request_hide)(const clap_host_t* host);                  /* [thread-safe] */
    void(KORVO_CLAP_ABI* closed)(const clap_host_t* host, bool was_destroyed);    /* [thread-safe] */
} clap_host_gui_t;

static const char CLAP_EXT_LOG[] = "clap.log";

enum {
    CLAP_LOG_DEBUG = 0,
    CLAP_LOG_INFO = 1,
    CLAP_LOG_WARNING = 2,
    CLAP_LOG_ERROR = 3,
    CLAP_LOG_FATAL = 4,
    CLAP_LOG_HOST_MISBEHAVING = 5,
    CLAP_LOG_PLUGIN_MISBEHAVING = 6
};
typedef int32_t clap_log_severity;

typedef struct clap_host_log {
    /* [thread-safe] */
    void(KORVO_CLAP_ABI* log)(const clap_host_t* host, clap_log_severity severity, const char* msg);
} clap_host_log_t;

/* The host's side of preset load, under the plug-in's id CLAP_EXT_PRESET_LOAD. */
typedef struct clap_host_preset_load {
    /* [main-thread] A load failed. */
    void(KORVO_CLAP_ABI* on_error)(const clap_host_t* host, uint32_t location_kind, const char* location,
                                   const char* load_key, int32_t os_error, const char* msg);
    /* [main-thread] A preset was loaded: the host's browser may show it. */
    void(KORVO_CLAP_ABI* loaded)(const clap_host_t* host, uint32_t location_kind, const char* location,
                                 const char* load_key);
} clap_host_preset_load_t;

#ifdef __cplusplus
}
#endif
