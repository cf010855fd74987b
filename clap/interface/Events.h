/* CLAP events: the header every event starts with, the parameter events the
 * face reads and writes, and the host's event lists. C-compatible. */
#pragma once

#include "clap/interface/Base.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct clap_event_header {
    uint32_t size;      /* of the whole event, this header included */
    uint32_t time;      /* frame offset in the block */
    uint16_t space_id;  /* CLAP_CORE_EVENT_SPACE_ID for the events below */
    uint16_t type;
    uint32_t flags;     /* clap_event_flags */
} clap_event_header_t;

enum { CLAP_CORE_EVENT_SPACE_ID = 0 };

enum clap_event_flags {
    CLAP_EVENT_IS_LIVE = 1 << 0,      /* a user's live change */
    CLAP_EVENT_DONT_RECORD = 1 << 1   /* not to be recorded as automation */
};

/* Event types of the core space (the others are not used here). */
enum {
    CLAP_EVENT_PARAM_VALUE = 5,
    CLAP_EVENT_PARAM_MOD = 6,
    CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
    CLAP_EVENT_PARAM_GESTURE_END = 8
};

typedef struct clap_event_param_value {
    clap_event_header_t header;
    clap_id param_id;
    void* cookie;        /* the param info's cookie, or null */
    int32_t note_id;     /* -1: any (this face has no per-note values) */
    int16_t port_index;  /* -1: any */
    int16_t channel;     /* -1: any */
    int16_t key;         /* -1: any */
    double value;
} clap_event_param_value_t;

typedef struct clap_event_param_gesture {
    clap_event_header_t header;
    clap_id param_id;
} clap_event_param_gesture_t;

/* The host's events for a block, in time order. */
typedef struct clap_input_events {
    void* ctx;
    uint32_t(KORVO_CLAP_ABI* size)(const struct clap_input_events* list);
    const clap_event_header_t*(KORVO_CLAP_ABI* get)(const struct clap_input_events* list, uint32_t index);
} clap_input_events_t;

/* Where the plug-in puts events for the host, in time order; the host copies
 * each. False when the host could not take it. */
typedef struct clap_output_events {
    void* ctx;
    bool(KORVO_CLAP_ABI* try_push)(const struct clap_output_events* list, const clap_event_header_t* event);
} clap_output_events_t;

#ifdef __cplusplus
}
static_assert(sizeof(clap_event_header_t) == 16, "clap_event_header layout");
static_assert(offsetof(clap_event_param_value_t, value) == (sizeof(void*) == 8 ? 48 : 40),
              "clap_event_param_value layout");
static_assert(sizeof(clap_event_param_value_t) == (sizeof(void*) == 8 ? 56 : 48), "clap_event_param_value size");
static_assert(sizeof(clap_event_param_gesture_t) == 20, "clap_event_param_gesture layout");
#endif
