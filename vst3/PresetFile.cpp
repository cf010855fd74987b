#include "vst3/PresetFile.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "vst3/ClassInfo.h"

namespace korvo_vst3 {

namespace {

constexpr std::size_t kHeaderBytes = 48;
constexpr std::size_t kIdOffset = 8, kIdBytes = 32, kListOffsetAt = 40;
constexpr std::size_t kEntryBytes = 20;
constexpr std::uint32_t kVersion = 1;

void put(std::vector<unsigned char>& out, std::uint64_t value, int bytes)
{
    for (int b = 0; b < bytes; ++b) {
        out.push_back(static_cast<unsigned char>(value >> (8 * b)));
    }
}

std::uint64_t get(const std::vector<unsigned char>& in, std::size_t at, int bytes)
{
    std::uint64_t value = 0;
    for (int b = 0; b < bytes; ++b) {
        value |= static_cast<std::uint64_t>(in[at + static_cast<std::size_t>(b)]) << (8 * b);
    }
    return value;
}

void putId(std::vector<unsigned char>& out, const char (&id)[5]) { out.insert(out.end(), id, id + 4); }

bool isId(const std::vector<unsigned char>& in, std::size_t at, const char* id)
{
    return std::memcmp(in.data() + at, id, 4) == 0;
}

}  // namespace

std::string PresetFile::classIdText()
{
    vst3::uint32 words[4];
    vst3::uidWords(kClassId.bytes, words);
    char text[kIdBytes + 1];
    std::snprintf(text, sizeof text, "%08X%08X%08X%08X", static_cast<unsigned>(words[0]),
                  static_cast<unsigned>(words[1]), static_cast<unsigned>(words[2]), static_cast<unsigned>(words[3]));
    return text;
}

std::vector<unsigned char> PresetFile::write(const std::vector<unsigned char>& state)
{
    std::vector<unsigned char> out;
    putId(out, "VST3");
    put(out, kVersion, 4);
    const std::string id = classIdText();
    out.insert(out.end(), id.begin(), id.end());
    put(out, kHeaderBytes + state.size(), 8);
    out.insert(out.end(), state.begin(), state.end());
    putId(out, "List");
    put(out, 1, 4);
    putId(out, "Comp");
    put(out, kHeaderBytes, 8);
    put(out, state.size(), 8);
    return out;
}

bool PresetFile::readComponentState(const std::vector<unsigned char>& bytes, std::vector<unsigned char>& state,
                                    std::string& error)
{
    if (bytes.size() < kHeaderBytes || !isId(bytes, 0, "VST3")) {
        error = "not a VST 3 preset (no 'VST3' header)";
        return false;
    }
    if (get(bytes, 4, 4) != kVersion) {
        error = "a VST 3 preset of format version " + std::to_string(get(bytes, 4, 4)) + ", not 1";
        return false;
    }
    const std::string id(reinterpret_cast<const char*>(bytes.data() + kIdOffset), kIdBytes);
    if (id != classIdText()) {
        error = "a VST 3 preset for another plug-in (class " + id + ")";
        return false;
    }
    const std::uint64_t listAt = get(bytes, kListOffsetAt, 8);
    const bool inside = listAt >= kHeaderBytes && listAt <= bytes.size() && bytes.size() - listAt >= 8;
    const std::size_t list = inside ? static_cast<std::size_t>(listAt) : 0;  // inside the file, so it fits
    if (!inside || !isId(bytes, list, "List")) {
        error = "a damaged VST 3 preset: its chunk list is missing or cut short";
        return false;
    }
    const std::uint64_t entries = get(bytes, list + 4, 4);
    if (entries > (bytes.size() - list - 8) / kEntryBytes) {
        error = "a damaged VST 3 preset: its chunk list is cut short";
        return false;
    }
    for (std::uint64_t e = 0; e < entries; ++e) {
        const std::size_t at = list + 8 + static_cast<std::size_t>(e) * kEntryBytes;
        if (!isId(bytes, at, "Comp")) {
            continue;
        }
        const std::uint64_t offset = get(bytes, at + 4, 8), size = get(bytes, at + 12, 8);
        if (offset < kHeaderBytes || offset > list || size > list - offset) {
            error = "a damaged VST 3 preset: its component state lies outside the file";
            return false;
        }
        // Both within the list's offset, so they fit.
        state.assign(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                     bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
        return true;
    }
    error = "a VST 3 preset without a component state";
    return false;
}

}  // namespace korvo_vst3
