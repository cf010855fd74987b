/* The project's own declarations of the CLAP interface (the MIT-licensed
 * plug-in interface published by free-audio): only what the CLAP face uses,
 * written from the interface's published headers and documentation, with its
 * exact layouts and calling convention. C-compatible. This one: the calling
 * convention, the version, identifiers and string capacities. */
#pragma once

#ifdef __cplusplus
#include <cstddef>
#include <cstdint>
#else
#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>
#endif

/* Every function of the interface uses the C default convention: cdecl on
 * 32-bit Windows (the only place where that is not the one convention). */
#if defined(_WIN32) || defined(__CYGWIN__)
#define KORVO_CLAP_ABI __cdecl
#else
#define KORVO_CLAP_ABI
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct clap_version {
    uint32_t major;  /* 1 for every released version: the layouts are stable */
    uint32_t minor;
    uint32_t revision;
} clap_version_t;

/* The version these declarations follow; a host accepts any 1.x.y. Nothing
 * used here is newer than 1.2.0. */
#define KORVO_CLAP_VERSION_INIT {1u, 2u, 0u}

typedef uint32_t clap_id;
#define CLAP_INVALID_ID UINT32_MAX

enum {
    CLAP_NAME_SIZE = 256,  /* names shown to the user, with their terminator */
    CLAP_PATH_SIZE = 1024  /* a path such as a parameter's module, likewise */
};

#ifdef __cplusplus
}
static_assert(sizeof(clap_version_t) == 12, "clap_version layout");
#endif
