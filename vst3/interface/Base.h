// The base of the VST 3 binary interface as this module uses it: the integer
// types, result codes, 16-byte identifiers and FUnknown, the reference-counted
// root every interface derives from. Declared here from the published
// interface; every vtable keeps its published order, every identifier its
// published value.
#pragma once

#include <cstdint>
#include <cstring>

// The calling convention of every interface method: COM's on Windows, which
// on 32-bit x86 is __stdcall (x86-64 has only one convention); the default
// elsewhere.
#if defined(_WIN32) && !defined(_WIN64)
#define KORVO_VST3_API __stdcall
#else
#define KORVO_VST3_API
#endif

// Windows modules follow the COM layout of identifiers and the COM result codes.
#if defined(_WIN32)
#define KORVO_VST3_COM_COMPATIBLE 1
#else
#define KORVO_VST3_COM_COMPATIBLE 0
#endif

namespace vst3 {

using int8 = char;
using int16 = std::int16_t;
using uint16 = std::uint16_t;
using int32 = std::int32_t;
using uint32 = std::uint32_t;
using int64 = std::int64_t;
using uint64 = std::uint64_t;
using TBool = std::uint8_t;
using char8 = char;
using char16 = char16_t;
using tresult = int32;
using FIDString = const char8*;
using TUID = char[16];

#if KORVO_VST3_COM_COMPATIBLE
enum : tresult {
    kNoInterface = static_cast<tresult>(0x80004002L),
    kResultOk = 0,
    kResultTrue = kResultOk,
    kResultFalse = 1,
    kInvalidArgument = static_cast<tresult>(0x80070057L),
    kNotImplemented = static_cast<tresult>(0x80004001L),
    kInternalError = static_cast<tresult>(0x80004005L),
    kNotInitialized = static_cast<tresult>(0x8000FFFFL),
    kOutOfMemory = static_cast<tresult>(0x8007000EL),
};
#else
enum : tresult {
    kNoInterface = -1,
    kResultOk = 0,
    kResultTrue = kResultOk,
    kResultFalse = 1,
    kInvalidArgument = 2,
    kNotImplemented = 3,
    kInternalError = 4,
    kNotInitialized = 5,
    kOutOfMemory = 6,
};
#endif

// An identifier as the published headers write it, four 32-bit words, laid
// out as the platform's modules do: COM's GUID order on Windows (the first
// word and the two halves of the second little-endian), all big-endian
// elsewhere. The words, printed as 32 hexadecimal digits, name the class on
// every platform.
struct Uid {
    char bytes[16];
};

constexpr Uid makeUid(uint32 l1, uint32 l2, uint32 l3, uint32 l4)
{
    const uint32 words[4] = {l1, l2, l3, l4};
    Uid uid{};
    for (int w = 0; w < 4; ++w) {
        for (int b = 0; b < 4; ++b) {
            uid.bytes[w * 4 + b] = static_cast<char>(static_cast<unsigned char>(words[w] >> (24 - 8 * b)));
        }
    }
#if KORVO_VST3_COM_COMPATIBLE
    const char swapped[8] = {uid.bytes[3], uid.bytes[2], uid.bytes[1], uid.bytes[0],
                                      uid.bytes[6], uid.bytes[7], uid.bytes[4], uid.bytes[5]};
    for (int i = 0; i < 8; ++i) {
        uid.bytes[i] = swapped[i];
    }
#endif
    return uid;
}

// The four words back from an identifier's bytes; the inverse of makeUid.
inline void uidWords(const char* bytes, uint32 (&words)[4])
{
    unsigned char b[16];
    std::memcpy(b, bytes, 16);
#if KORVO_VST3_COM_COMPATIBLE
    const unsigned char ordered[8] = {b[3], b[2], b[1], b[0], b[6], b[7], b[4], b[5]};
    std::memcpy(b, ordered, 8);
#endif
    for (int w = 0; w < 4; ++w) {
        words[w] = static_cast<uint32>(b[w * 4]) << 24 | static_cast<uint32>(b[w * 4 + 1]) << 16 |
                   static_cast<uint32>(b[w * 4 + 2]) << 8 | static_cast<uint32>(b[w * 4 + 3]);
    }
}

inline bool sameUid(const void* bytes, const Uid& uid) { return bytes && std::memcmp(bytes, uid.bytes, 16) == 0; }

class FUnknown {
public:
    virtual tresult KORVO_VST3_API queryInterface(const TUID iid, void** object) = 0;
    virtual uint32 KORVO_VST3_API addRef() = 0;
    virtual uint32 KORVO_VST3_API release() = 0;
    static constexpr Uid iid = makeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
};

}  // namespace vst3
