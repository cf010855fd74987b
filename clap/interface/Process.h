/* CLAP processing: the audio buffers of a port and one call's process data.
 * C-compatible. */
#pragma once

#include "clap/interface/Events.h"

#ifdef __cplusplus
extern "C" {
#endif

/* One port's channels: data32 or data64 is set. Bit N of constant_mask says
 * channel N holds one value throughout (the samples are written anyway). */
typedef struct clap_audio_buffer {
    float** data32;
    double** data64;
    uint32_t channel_count;
    uint32_t latency;
    uint64_t constant_mask;
} clap_audio_buffer_t;

enum {
    CLAP_PROCESS_ERROR = 0,                 /* the output is to be discarded */
    CLAP_PROCESS_CONTINUE = 1,
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
    CLAP_PROCESS_TAIL = 3,                  /* the host goes by the tail extension */
    CLAP_PROCESS_SLEEP = 4
};
typedef int32_t clap_process_status;

struct clap_event_transport; /* the transport, not read by this face */

typedef struct clap_process {
    int64_t steady_time;  /* -1 when the host has none */
    uint32_t frames_count;
    const struct clap_event_transport* transport;
    const clap_audio_buffer_t* audio_inputs;
    clap_audio_buffer_t* audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const clap_input_events_t* in_events;
    const clap_output_events_t* out_events;
} clap_process_t;

#ifdef __cplusplus
}
static_assert(sizeof(clap_audio_buffer_t) == (sizeof(void*) == 8 ? 32 : 24), "clap_audio_buffer layout");
static_assert(offsetof(clap_process_t, out_events) == (sizeof(void*) == 8 ? 56 : 36), "clap_process layout");
#endif
