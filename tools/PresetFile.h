// Preset files that hosts exchange for plug-ins of this interface: program files
// (.fxp) and bank files (.fxb). Every number is big-endian; floats are stored as
// their IEEE 754 single-precision bit patterns.
//
// Header, common to every kind (offset, size, content):
//    0   4  'CcnK'
//    4   4  byte size: the length of the file after this field (file length - 8)
//    8   4  format: 'FxCk' program as parameter list, 'FPCh' program as opaque chunk,
//                   'FxBk' bank as parameter lists, 'FBCh' bank as opaque chunk
//   12   4  format version: 1 or 2 read; written as PresetData::formatVersion (2 if 2, else 1)
//   16   4  plug-in unique id
//   20   4  plug-in version
//   24   4  count: the number of parameters in a program file (in 'FPCh' too),
//           the number of programs in a bank file
// Program files:
//   28  28  program name, zero-padded (at most 27 characters written, so a zero byte follows)
//   'FxCk': 56 4n  n parameter values                      byte size 48 + 4n
//   'FPCh': 56 4   chunk size s; 60 s  chunk bytes         byte size 52 + s
// Bank files:
//   28   4  current program (version 2); version 1 keeps the field as reserved, zero
//   32 124  reserved, zero
//   'FxBk': 156 ... count complete 'FxCk' program records, each with its own header
//                   (56 + 4n bytes; its id matches the bank's, its version is 1)
//   'FBCh': 156 4  chunk size s; 160 s  chunk bytes        byte size 152 + s
// The reader requires the byte size, the counts and the chunk size to account for
// every byte of the file exactly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PresetData {
    enum class Kind { ProgramChunk, ProgramParams, BankChunk, BankParams } kind = Kind::ProgramChunk;
    int32_t uniqueId = 0, pluginVersion = 0, formatVersion = 1;
    std::string programName;                   // programs only (up to 28 bytes in the file)
    std::vector<unsigned char> chunk;          // opaque chunk kinds
    std::vector<std::vector<float>> programs;  // parameter-list kinds: one entry for a program file, numPrograms for a bank
    std::vector<std::string> programNames;     // BankParams: each embedded program's name (missing ones written empty)
    int32_t currentProgram = 0;                // banks of format version 2
    int32_t count = 0;                         // opaque chunk kinds: the header's count (the plug-in's number of
                                               // parameters for a program, of programs for a bank); the
                                               // parameter-list kinds take it from `programs`
};

// Serialises to bytes; empty when the data cannot be written (a ProgramParams without
// exactly one program, or sizes beyond the format's 32-bit fields).
std::vector<unsigned char> writePreset(const PresetData& data);

// Parses bytes; returns false with a one-line message in `error` on malformed,
// truncated or inconsistent input, leaving `out` untouched.
bool readPreset(const std::vector<unsigned char>& bytes, PresetData& out, std::string& error);

// The bytes of writePreset, or false with the reason they cannot be written.
bool encodePreset(const PresetData& data, std::vector<unsigned char>& bytes, std::string& reason);

// File wrappers; writePresetFile writes a temporary file beside the target and renames it over the target.
bool readPresetFile(const std::string& path, PresetData& out, std::string& error);
bool writePresetFile(const std::string& path, const PresetData& data, std::string& error);

// A four-character code as text: 'VXKE' gives "VXKE"; a non-printable byte shows as \xNN.
std::string fourCharText(int32_t id);
