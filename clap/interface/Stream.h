/* CLAP streams, through which the host saves and loads the plug-in's state.
 * Either may move fewer bytes than asked in a call. C-compatible. */
#pragma once

#include "clap/interface/Base.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct clap_istream {
    void* ctx;
    /* The bytes read; 0 at the end of the stream, -1 on an error. */
    int64_t(KORVO_CLAP_ABI* read)(const struct clap_istream* stream, void* buffer, uint64_t size);
} clap_istream_t;

typedef struct clap_ostream {
    void* ctx;
    /* The bytes written; -1 on an error. */
    int64_t(KORVO_CLAP_ABI* write)(const struct clap_ostream* stream, const void* buffer, uint64_t size);
} clap_ostream_t;

#ifdef __cplusplus
}
#endif
