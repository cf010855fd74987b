#include "tools/PresetFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>

#include "tools/WholeFile.h"

namespace {

constexpr uint32_t code(char a, char b, char c, char d)
{
    return (uint32_t(uint8_t(a)) << 24) | (uint32_t(uint8_t(b)) << 16) | (uint32_t(uint8_t(c)) << 8) |
           uint32_t(uint8_t(d));
}

constexpr uint32_t kContainer = code('C', 'c', 'n', 'K');
constexpr uint32_t kProgramParams = code('F', 'x', 'C', 'k');
constexpr uint32_t kProgramChunk = code('F', 'P', 'C', 'h');
constexpr uint32_t kBankParams = code('F', 'x', 'B', 'k');
constexpr uint32_t kBankChunk = code('F', 'B', 'C', 'h');

constexpr size_t kNameBytes = 28;
constexpr size_t kProgramHeader = 56;  // bytes before a program file's values or chunk size
constexpr size_t kBankHeader = 156;    // bytes before a bank file's programs or chunk size
constexpr size_t kMaxFile = size_t(std::numeric_limits<int32_t>::max()) + 8;  // the byte size is a 32-bit field

void put32(std::vector<unsigned char>& b, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        b.push_back(static_cast<unsigned char>(v >> shift));
    }
}

void putFloat(std::vector<unsigned char>& b, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    put32(b, bits);
}

// At most 27 characters, stopping at an embedded zero, so the field always ends in a zero byte.
void putName(std::vector<unsigned char>& b, const std::string& name)
{
    const size_t n = std::min({name.find('\0'), name.size(), kNameBytes - 1});
    b.insert(b.end(), name.begin(), name.begin() + static_cast<std::ptrdiff_t>(n));
    b.insert(b.end(), kNameBytes - n, 0);
}

void putHeader(std::vector<unsigned char>& b, size_t fileSize, uint32_t format, int32_t version,
               const PresetData& d, uint32_t count)
{
    put32(b, kContainer);
    put32(b, static_cast<uint32_t>(fileSize - 8));
    put32(b, format);
    put32(b, static_cast<uint32_t>(version));
    put32(b, static_cast<uint32_t>(d.uniqueId));
    put32(b, static_cast<uint32_t>(d.pluginVersion));
    put32(b, count);
}

void putProgram(std::vector<unsigned char>& b, int32_t version, const PresetData& d, const std::string& name,
                const std::vector<float>& values)
{
    putHeader(b, kProgramHeader + 4 * values.size(), kProgramParams, version, d, uint32_t(values.size()));
    putName(b, name);
    for (float v : values) {
        putFloat(b, v);
    }
}

// The file size the data needs, or 0 with the reason when it cannot be written.
size_t plannedSize(const PresetData& d, std::string& reason)
{
    uint64_t size = 0;
    switch (d.kind) {
    case PresetData::Kind::ProgramParams:
        if (d.programs.size() != 1) {
            reason = "a program file holds exactly one program, not " + std::to_string(d.programs.size());
            return 0;
        }
        size = kProgramHeader + 4 * uint64_t(d.programs[0].size());
        break;
    case PresetData::Kind::ProgramChunk:
        size = kProgramHeader + 4 + uint64_t(d.chunk.size());
        break;
    case PresetData::Kind::BankChunk:
        size = kBankHeader + 4 + uint64_t(d.chunk.size());
        break;
    case PresetData::Kind::BankParams:
        size = kBankHeader;
        for (const auto& p : d.programs) {
            size += kProgramHeader + 4 * uint64_t(p.size());
        }
        break;
    }
    if (size > kMaxFile) {
        reason = "the preset is too large for the format's 32-bit sizes";
        return 0;
    }
    return size_t(size);
}

uint32_t get32(const unsigned char* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

int32_t getInt(const unsigned char* p)
{
    return static_cast<int32_t>(get32(p));
}

float getFloat(const unsigned char* p)
{
    const uint32_t bits = get32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

std::vector<float> getFloats(const unsigned char* p, size_t n)
{
    std::vector<float> values(n);
    for (size_t k = 0; k < n; ++k) {
        values[k] = getFloat(p + 4 * k);
    }
    return values;
}

std::string getName(const unsigned char* p)
{
    const void* zero = std::memchr(p, 0, kNameBytes);
    const size_t n = zero ? size_t(static_cast<const unsigned char*>(zero) - p) : kNameBytes;
    return std::string(reinterpret_cast<const char*>(p), n);
}

bool fail(std::string& error, const std::string& message)
{
    error = message;
    return false;
}

// A chunk size at `pos` that must account for every remaining byte of the file.
bool readChunk(const std::vector<unsigned char>& bytes, size_t pos, PresetData& d, std::string& error)
{
    if (bytes.size() < pos + 4) {
        return fail(error, "the file ends before the chunk size");
    }
    const int32_t chunkSize = getInt(&bytes[pos]);
    const size_t rest = bytes.size() - pos - 4;
    if (chunkSize < 0 || size_t(chunkSize) != rest) {
        return fail(error, "chunk size " + std::to_string(chunkSize) + " disagrees with the " + std::to_string(rest) +
                               " bytes that follow it");
    }
    d.chunk.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos + 4), bytes.end());
    return true;
}

// One embedded 'FxCk' record of a bank, at `pos`; advances `pos` past it.
bool readEmbeddedProgram(const std::vector<unsigned char>& bytes, size_t& pos, int index, PresetData& d,
                         std::string& error)
{
    const std::string which = "program " + std::to_string(index);
    if (bytes.size() - pos < kProgramHeader) {
        return fail(error, which + " is truncated");
    }
    const unsigned char* p = &bytes[pos];
    if (get32(p) != kContainer || get32(p + 8) != kProgramParams) {
        return fail(error, which + " is not a parameter-list program record");
    }
    const int32_t version = getInt(p + 12);
    if (version != 1 && version != 2) {
        return fail(error, which + " has unsupported format version " + std::to_string(version));
    }
    if (getInt(p + 16) != d.uniqueId) {
        return fail(error, which + " belongs to plug-in '" + fourCharText(getInt(p + 16)) + "', the bank to '" +
                               fourCharText(d.uniqueId) + "'");
    }
    const int32_t numParams = getInt(p + 24);
    const size_t available = (bytes.size() - pos - kProgramHeader) / 4;
    if (numParams < 0 || size_t(numParams) > available) {
        return fail(error, which + " declares " + std::to_string(numParams) + " parameters, more than the file holds");
    }
    if (getInt(p + 4) != static_cast<int32_t>(kProgramHeader - 8 + 4 * size_t(numParams))) {
        return fail(error, which + " has byte size " + std::to_string(getInt(p + 4)) + ", inconsistent with " +
                               std::to_string(numParams) + " parameters");
    }
    d.programNames.push_back(getName(p + 28));
    d.programs.push_back(getFloats(p + kProgramHeader, size_t(numParams)));
    pos += kProgramHeader + 4 * size_t(numParams);
    return true;
}

}  // namespace

std::vector<unsigned char> writePreset(const PresetData& data)
{
    std::string reason;
    const size_t size = plannedSize(data, reason);
    if (size == 0) {
        return {};
    }
    const int32_t version = data.formatVersion == 2 ? 2 : 1;
    std::vector<unsigned char> b;
    b.reserve(size);
    switch (data.kind) {
    case PresetData::Kind::ProgramParams:
        putHeader(b, size, kProgramParams, version, data, uint32_t(data.programs[0].size()));
        putName(b, data.programName);
        for (float v : data.programs[0]) {
            putFloat(b, v);
        }
        break;
    case PresetData::Kind::ProgramChunk:
        putHeader(b, size, kProgramChunk, version, data, uint32_t(data.count));
        putName(b, data.programName);
        put32(b, static_cast<uint32_t>(data.chunk.size()));
        b.insert(b.end(), data.chunk.begin(), data.chunk.end());
        break;
    case PresetData::Kind::BankParams:
    case PresetData::Kind::BankChunk: {
        const bool params = data.kind == PresetData::Kind::BankParams;
        putHeader(b, size, params ? kBankParams : kBankChunk, version, data,
                  params ? uint32_t(data.programs.size()) : uint32_t(data.count));
        put32(b, version == 2 ? static_cast<uint32_t>(data.currentProgram) : 0);
        b.insert(b.end(), kBankHeader - 32, 0);
        if (params) {
            for (size_t i = 0; i < data.programs.size(); ++i) {
                putProgram(b, 1, data, i < data.programNames.size() ? data.programNames[i] : std::string(),
                           data.programs[i]);
            }
        } else {
            put32(b, static_cast<uint32_t>(data.chunk.size()));
            b.insert(b.end(), data.chunk.begin(), data.chunk.end());
        }
        break;
    }
    }
    return b;
}

bool readPreset(const std::vector<unsigned char>& bytes, PresetData& out, std::string& error)
{
    if (bytes.size() < 28) {
        return fail(error, "too short for a preset header: " + std::to_string(bytes.size()) + " bytes");
    }
    const unsigned char* p = bytes.data();
    if (get32(p) != kContainer) {
        return fail(error, "not a preset file: starts with '" + fourCharText(getInt(p)) + "' instead of 'CcnK'");
    }
    const int32_t byteSize = getInt(p + 4);
    if (byteSize < 0 || size_t(byteSize) != bytes.size() - 8) {
        return fail(error, "byte size " + std::to_string(byteSize) + " disagrees with the " +
                               std::to_string(bytes.size() - 8) + " bytes that follow it");
    }
    PresetData d;
    const uint32_t format = get32(p + 8);
    d.formatVersion = getInt(p + 12);
    d.uniqueId = getInt(p + 16);
    d.pluginVersion = getInt(p + 20);
    const int32_t count = getInt(p + 24);
    if (d.formatVersion != 1 && d.formatVersion != 2) {
        return fail(error, "unsupported format version " + std::to_string(d.formatVersion));
    }
    if (count < 0) {
        return fail(error, "negative count " + std::to_string(count));
    }

    if (format == kProgramParams || format == kProgramChunk) {
        if (bytes.size() < kProgramHeader) {
            return fail(error, "the file ends inside the program name");
        }
        d.programName = getName(p + 28);
        if (format == kProgramChunk) {
            d.kind = PresetData::Kind::ProgramChunk;
            d.count = count;
            if (!readChunk(bytes, kProgramHeader, d, error)) return false;
        } else {
            d.kind = PresetData::Kind::ProgramParams;
            const size_t rest = bytes.size() - kProgramHeader;
            if (size_t(count) > rest / 4 || 4 * size_t(count) != rest) {
                return fail(error, std::to_string(count) + " parameters disagree with the " + std::to_string(rest) +
                                       " bytes of values");
            }
            d.programs.push_back(getFloats(p + kProgramHeader, size_t(count)));
        }
    } else if (format == kBankParams || format == kBankChunk) {
        if (bytes.size() < kBankHeader) {
            return fail(error, "the file ends inside the bank header");
        }
        if (d.formatVersion == 2) {
            d.currentProgram = getInt(p + 28);
            if (d.currentProgram < 0 || d.currentProgram >= std::max(count, int32_t(1))) {
                return fail(error, "current program " + std::to_string(d.currentProgram) + " outside the bank's " +
                                       std::to_string(count) + " programs");
            }
        }
        if (format == kBankChunk) {
            d.kind = PresetData::Kind::BankChunk;
            d.count = count;
            if (!readChunk(bytes, kBankHeader, d, error)) return false;
        } else {
            d.kind = PresetData::Kind::BankParams;
            if (size_t(count) > (bytes.size() - kBankHeader) / kProgramHeader) {
                return fail(error, std::to_string(count) + " programs cannot fit in the file");
            }
            size_t pos = kBankHeader;
            for (int32_t i = 0; i < count; ++i) {
                if (!readEmbeddedProgram(bytes, pos, int(i), d, error)) return false;
            }
            if (pos != bytes.size()) {
                return fail(error, std::to_string(bytes.size() - pos) + " stray bytes after the last program");
            }
        }
    } else {
        return fail(error, "unknown preset format '" + fourCharText(static_cast<int32_t>(format)) + "'");
    }
    out = std::move(d);
    return true;
}

bool readPresetFile(const std::string& path, PresetData& out, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return fail(error, "cannot open '" + path + "' for reading");
    }
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length < 0 || static_cast<unsigned long long>(length) > kMaxFile) {
        return fail(error, "'" + path + "' is not a readable preset file of possible size");
    }
    std::vector<unsigned char> bytes(static_cast<size_t>(length));
    in.seekg(0, std::ios::beg);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        return fail(error, "cannot read '" + path + "'");
    }
    if (!readPreset(bytes, out, error)) {
        return fail(error, path + ": " + error);
    }
    return true;
}

bool encodePreset(const PresetData& data, std::vector<unsigned char>& bytes, std::string& reason)
{
    if (plannedSize(data, reason) == 0) {
        return false;
    }
    bytes = writePreset(data);
    return true;
}

bool writePresetFile(const std::string& path, const PresetData& data, std::string& error)
{
    std::vector<unsigned char> bytes;
    std::string reason;
    if (!encodePreset(data, bytes, reason)) {
        return fail(error, "cannot write '" + path + "': " + reason);
    }
    return writeWholeFile(path, bytes.data(), bytes.size(), error);
}

std::string fourCharText(int32_t id)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned char c = static_cast<unsigned char>(static_cast<uint32_t>(id) >> shift);
        if (c >= 0x20 && c < 0x7F) {
            text += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", unsigned(c));
            text += hex;
        }
    }
    return text;
}
