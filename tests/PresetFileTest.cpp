#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "tools/PresetFile.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Kind = PresetData::Kind;

constexpr int32_t kId = ('V' << 24) | ('X' << 16) | ('K' << 8) | 'E';

// Builds a file by hand, big-endian, field by field.
struct Builder {
    Bytes b;
    Builder& u32(uint32_t v)
    {
        for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<unsigned char>(v >> s));
        return *this;
    }
    Builder& text(const char* s, size_t width)
    {
        const size_t n = std::strlen(s);
        b.insert(b.end(), s, s + n);
        b.insert(b.end(), width - n, 0);
        return *this;
    }
    Builder& raw(const Bytes& more)
    {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
};

uint32_t be32(const Bytes& b, size_t at)
{
    return (uint32_t(b.at(at)) << 24) | (uint32_t(b.at(at + 1)) << 16) | (uint32_t(b.at(at + 2)) << 8) | b.at(at + 3);
}

void setBe32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.at(at + size_t(i)) = static_cast<unsigned char>(v >> (24 - 8 * i));
}

uint32_t bitsOf(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

float fromBits(uint32_t u)
{
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

std::vector<float> tenValues(float base)
{
    std::vector<float> v;
    for (int k = 0; k < 10; ++k) v.push_back(base + 0.0625f * float(k));
    return v;
}

PresetData sample(Kind kind)
{
    PresetData d;
    d.kind = kind;
    d.uniqueId = kId;
    d.pluginVersion = 1000;
    if (kind == Kind::ProgramChunk || kind == Kind::BankChunk) {
        d.count = kind == Kind::ProgramChunk ? 10 : 1;
        for (int i = 0; i < (kind == Kind::ProgramChunk ? 40 : 64); ++i) d.chunk.push_back(static_cast<unsigned char>(i * 7));
    }
    if (kind == Kind::ProgramChunk || kind == Kind::ProgramParams) d.programName = "Bright vocal";
    if (kind == Kind::ProgramParams) d.programs = {tenValues(0.125f)};
    if (kind == Kind::BankParams) {
        d.programs = {tenValues(0.0f), tenValues(0.25f), {0.5f, 0.75f}};
        d.programNames = {"DEFAULT", "Air", ""};
    }
    return d;
}

void expectSame(const PresetData& a, const PresetData& b)
{
    EXPECT_EQ(a.kind, b.kind);
    EXPECT_EQ(a.uniqueId, b.uniqueId);
    EXPECT_EQ(a.pluginVersion, b.pluginVersion);
    EXPECT_EQ(a.formatVersion, b.formatVersion);
    EXPECT_EQ(a.programName, b.programName);
    EXPECT_EQ(a.chunk, b.chunk);
    EXPECT_EQ(a.programNames, b.programNames);
    EXPECT_EQ(a.currentProgram, b.currentProgram);
    EXPECT_EQ(a.count, b.count);
    ASSERT_EQ(a.programs.size(), b.programs.size());
    for (size_t p = 0; p < a.programs.size(); ++p) {
        ASSERT_EQ(a.programs[p].size(), b.programs[p].size()) << p;
        for (size_t k = 0; k < a.programs[p].size(); ++k)
            EXPECT_EQ(bitsOf(a.programs[p][k]), bitsOf(b.programs[p][k])) << p << "/" << k;
    }
}

bool rejects(const Bytes& bytes)
{
    PresetData out = sample(Kind::ProgramParams);
    std::string error;
    const bool ok = readPreset(bytes, out, error);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_EQ(out.programName, "Bright vocal") << "a failed read leaves its output alone";
    return !ok;
}

const Kind kAllKinds[] = {Kind::ProgramChunk, Kind::ProgramParams, Kind::BankChunk, Kind::BankParams};

TEST(PresetFileLayout, ProgramChunkFileMatchesTheHandBuiltBytes)
{
    PresetData d = sample(Kind::ProgramChunk);
    d.programName = "Warm";
    const Bytes expected = Builder()
                               .u32(0x43636E4B).u32(5 * 4 + 28 + 4 + 40)  // 'CcnK', bytes after this field
                               .u32(0x46504368).u32(1)                   // 'FPCh', format version
                               .u32(0x56584B45).u32(1000).u32(10)        // 'VXKE', plug-in version, numParams
                               .text("Warm", 28).u32(40).raw(d.chunk)
                               .b;
    ASSERT_EQ(expected.size(), 100u);
    EXPECT_EQ(writePreset(d), expected);
    EXPECT_EQ(expected[0], 'C');
    EXPECT_EQ(expected[16], 'V');
    EXPECT_EQ(expected[23], 0xE8) << "1000 = 0x03E8, least significant byte last";

    PresetData back;
    std::string error;
    ASSERT_TRUE(readPreset(expected, back, error)) << error;
    expectSame(back, d);
}

TEST(PresetFileLayout, ParameterProgramStoresBigEndianFloatBits)
{
    PresetData d = sample(Kind::ProgramParams);
    const uint32_t bits[10] = {0x3F000000, 0x3F800000, 0x00000000, 0x80000000, 0xC0000000,
                               0x3E800000, 0x7F800000, 0x7FC12345, 0x00000001, 0x3DCCCCCD};
    for (int k = 0; k < 10; ++k) d.programs[0][size_t(k)] = fromBits(bits[k]);
    const Bytes file = writePreset(d);
    ASSERT_EQ(file.size(), 56u + 40u);
    EXPECT_EQ(be32(file, 4), 88u);
    EXPECT_EQ(be32(file, 8), 0x4678436Bu);  // 'FxCk'
    EXPECT_EQ(be32(file, 24), 10u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[28])), "Bright vocal");
    for (size_t k = 0; k < 10; ++k) EXPECT_EQ(be32(file, 56 + 4 * k), bits[k]) << k;

    PresetData back;
    std::string error;
    ASSERT_TRUE(readPreset(file, back, error)) << error;
    expectSame(back, d);  // NaN payload, -0 and denormal come back bit for bit
}

TEST(PresetFileLayout, ParameterBankEmbedsCompleteProgramRecords)
{
    const PresetData d = sample(Kind::BankParams);
    const Bytes file = writePreset(d);
    const size_t sizes[3] = {96, 96, 64};
    ASSERT_EQ(file.size(), 156u + 96 + 96 + 64);
    EXPECT_EQ(be32(file, 4), file.size() - 8);
    EXPECT_EQ(be32(file, 8), 0x4678426Bu);  // 'FxBk'
    EXPECT_EQ(be32(file, 24), 3u);
    for (size_t i = 28; i < 156; ++i) EXPECT_EQ(file[i], 0) << "version 1 reserves 128 zero bytes, offset " << i;
    size_t at = 156;
    for (size_t p = 0; p < 3; ++p) {
        EXPECT_EQ(be32(file, at), 0x43636E4Bu) << p;
        EXPECT_EQ(be32(file, at + 4), sizes[p] - 8) << p;
        EXPECT_EQ(be32(file, at + 8), 0x4678436Bu) << p;
        EXPECT_EQ(be32(file, at + 16), uint32_t(kId)) << p;
        EXPECT_EQ(be32(file, at + 24), d.programs[p].size()) << p;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[at + 28])), d.programNames[p]);
        EXPECT_EQ(be32(file, at + 56), bitsOf(d.programs[p][0])) << p;
        at += sizes[p];
    }

    PresetData v2 = d;
    v2.formatVersion = 2;
    v2.currentProgram = 2;
    const Bytes file2 = writePreset(v2);
    EXPECT_EQ(be32(file2, 12), 2u);
    EXPECT_EQ(be32(file2, 28), 2u) << "version 2 keeps the current program before 124 reserved bytes";
    EXPECT_TRUE(std::equal(file2.begin() + 156, file2.end(), file.begin() + 156));
}

TEST(PresetFileLayout, ProgramNamesAreCutToKeepATerminator)
{
    PresetData d = sample(Kind::ProgramParams);
    d.programName = std::string(40, 'n');
    const Bytes file = writePreset(d);
    EXPECT_EQ(file[28 + 26], 'n');
    EXPECT_EQ(file[28 + 27], 0);
    PresetData back;
    std::string error;
    ASSERT_TRUE(readPreset(file, back, error)) << error;
    EXPECT_EQ(back.programName, std::string(27, 'n'));

    Bytes full = file;  // a name filling all 28 bytes, as other writers may leave it
    full[28 + 27] = 'x';
    ASSERT_TRUE(readPreset(full, back, error)) << error;
    EXPECT_EQ(back.programName, std::string(27, 'n') + "x");
}

TEST(PresetFileLayout, FourCharacterCodes)
{
    EXPECT_EQ(fourCharText(kId), "VXKE");
    EXPECT_EQ(fourCharText(0x56580145), "VX\\x01E");
    EXPECT_EQ(fourCharText(-1), "\\xFF\\xFF\\xFF\\xFF");
}

TEST(PresetFileRoundTrip, EveryKindAndVersionReadsBackAndRewritesIdentically)
{
    for (Kind kind : kAllKinds) {
        for (int32_t version : {1, 2}) {
            PresetData d = sample(kind);
            d.formatVersion = version;
            if (version == 2 && kind == Kind::BankParams) d.currentProgram = 1;
            SCOPED_TRACE(int(kind) * 10 + version);
            const Bytes file = writePreset(d);
            ASSERT_FALSE(file.empty());
            PresetData back;
            std::string error;
            ASSERT_TRUE(readPreset(file, back, error)) << error;
            expectSame(back, d);
            EXPECT_EQ(writePreset(back), file);
        }
    }
}

TEST(PresetFileRoundTrip, FilesAreReplacedWholeAndLeaveNoTemporary)
{
    const auto dir = std::filesystem::temp_directory_path() / ("presetfile_test_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "bank.fxb").string();
    std::string error;
    ASSERT_TRUE(writePresetFile(path, sample(Kind::ProgramChunk), error)) << error;
    ASSERT_TRUE(writePresetFile(path, sample(Kind::BankParams), error)) << error;  // over an existing file
    PresetData back;
    ASSERT_TRUE(readPresetFile(path, back, error)) << error;
    expectSame(back, sample(Kind::BankParams));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);

    PresetData none = sample(Kind::ProgramParams);
    none.programs.clear();
    EXPECT_TRUE(writePreset(none).empty());
    EXPECT_FALSE(writePresetFile(path, none, error));
    EXPECT_TRUE(readPresetFile(path, back, error)) << "a refused write leaves the old file";

    EXPECT_FALSE(readPresetFile((dir / "missing.fxp").string(), back, error));
    EXPECT_FALSE(writePresetFile((dir / "no" / "such.fxp").string(), sample(Kind::ProgramChunk), error));
    EXPECT_FALSE(error.empty());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "CcnK";
    EXPECT_FALSE(readPresetFile(path, back, error));
    EXPECT_NE(error.find(path), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST(PresetFileMalformed, EveryTruncationIsRefused)
{
    for (Kind kind : kAllKinds) {
        const Bytes file = writePreset(sample(kind));
        for (size_t n = 0; n < file.size(); ++n) {
            Bytes cut(file.begin(), file.begin() + std::ptrdiff_t(n));
            EXPECT_TRUE(rejects(cut)) << int(kind) << " cut at " << n;
            if (n >= 8) {  // the same prefix with a byte size that agrees: the inner sizes must catch it
                setBe32(cut, 4, uint32_t(n - 8));
                EXPECT_TRUE(rejects(cut)) << int(kind) << " cut at " << n << " with matching byte size";
            }
        }
    }
}

TEST(PresetFileMalformed, InconsistentHeadersAndSizesAreRefused)
{
    const Bytes program = writePreset(sample(Kind::ProgramParams));
    const Bytes chunk = writePreset(sample(Kind::ProgramChunk));
    const Bytes bankChunk = writePreset(sample(Kind::BankChunk));
    const Bytes bank = writePreset(sample(Kind::BankParams));
    auto patched = [](Bytes b, size_t at, uint32_t v) { setBe32(b, at, v); return b; };

    EXPECT_TRUE(rejects(patched(program, 0, 0x52494646)));              // 'RIFF'
    EXPECT_TRUE(rejects(patched(program, 8, 0x46784378)));              // unknown format 'FxCx'
    EXPECT_TRUE(rejects(patched(program, 12, 3)));                      // format version 3
    EXPECT_TRUE(rejects(patched(program, 4, uint32_t(program.size()))));      // byte size too large
    EXPECT_TRUE(rejects(patched(program, 4, uint32_t(program.size() - 9))));  // byte size too small
    EXPECT_TRUE(rejects(patched(program, 4, 0xFFFFFFF8)));              // negative byte size
    Bytes longer = program;
    longer.push_back(0);
    EXPECT_TRUE(rejects(longer));                                       // trailing byte not counted

    EXPECT_TRUE(rejects(patched(program, 24, 11)));                     // one parameter more than stored
    EXPECT_TRUE(rejects(patched(program, 24, 9)));                      // one stored value left over
    EXPECT_TRUE(rejects(patched(program, 24, 0x7FFFFFFF)));             // absurd parameter count
    EXPECT_TRUE(rejects(patched(program, 24, 0xFFFFFFFF)));             // negative count
    EXPECT_TRUE(rejects(patched(chunk, 24, 0xFFFFFFFF)));               // negative count beside a chunk
    EXPECT_TRUE(rejects(patched(chunk, 56, 41)));                       // chunk size beyond the file
    EXPECT_TRUE(rejects(patched(chunk, 56, 0x7FFFFFFF)));
    EXPECT_TRUE(rejects(patched(chunk, 56, 0x80000000)));
    EXPECT_TRUE(rejects(patched(chunk, 56, 39)));                       // chunk leaves a stray byte
    EXPECT_TRUE(rejects(patched(bankChunk, 156, 0xFFFFFFFF)));

    EXPECT_TRUE(rejects(patched(bank, 24, 0x7FFFFFFF)));                // absurd program count
    EXPECT_TRUE(rejects(patched(bank, 24, 2)));                         // a whole program left over
    EXPECT_TRUE(rejects(patched(bank, 24, 4)));                         // one program missing
    EXPECT_TRUE(rejects(patched(bank, 156 + 16, 0x41424344)));          // embedded program of another plug-in
    EXPECT_TRUE(rejects(patched(bank, 156, 0x52494646)));               // embedded record without 'CcnK'
    EXPECT_TRUE(rejects(patched(bank, 156 + 8, 0x46504368)));           // embedded 'FPCh'
    EXPECT_TRUE(rejects(patched(bank, 156 + 4, 89)));                   // embedded byte size off by one
    EXPECT_TRUE(rejects(patched(bank, 156 + 24, 0x40000000)));          // embedded absurd parameter count
    EXPECT_TRUE(rejects(patched(patched(bank, 12, 2), 28, 3)));         // version 2: current program out of range
    EXPECT_TRUE(rejects(patched(patched(bankChunk, 12, 2), 28, 0xFFFFFFFF)));
}

TEST(PresetFileMalformed, AnySingleByteDamageIsRefusedOrReadsConsistently)
{
    for (Kind kind : kAllKinds) {
        const Bytes file = writePreset(sample(kind));
        for (size_t i = 0; i < file.size(); ++i) {
            for (int value : {0x00, 0x7F, 0x80, 0xFF}) {
                Bytes damaged = file;
                damaged[i] = static_cast<unsigned char>(value);
                PresetData once, twice;
                std::string error;
                if (!readPreset(damaged, once, error)) {
                    EXPECT_FALSE(error.empty());
                    continue;
                }
                ASSERT_TRUE(readPreset(writePreset(once), twice, error)) << int(kind) << " byte " << i << ": " << error;
                expectSame(twice, once);
            }
        }
    }
}

}  // namespace
