// How korvo writes audio: the container, the samples' format and the number
// of channels, chosen from OUT's extension or --format, --bits, --no-dither
// and --channels.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct OutputFormat {
    std::string container;  // "wav", "aiff", "flac", "ogg", "caf" or "w64"
    int bits = 0;           // 16, 24 or 32 for integer samples; 0 for 32-bit float (and for Vorbis)
    bool dither = true;     // TPDF dither when the samples are reduced to 16 or 24 bits
    int channels = 2;
    double quality = -1.0;  // Vorbis quality 0 (smallest) to 10 (best); below 0, the encoder's default

    // The libsndfile format word.
    int sndfileFormat() const;
    bool integer() const { return bits != 0; }
    // "16-bit WAV", "32-bit float AIFF", "Ogg Vorbis".
    std::string describe() const;
};

// The lower-case extension of a file name, without its dot; "" when it has none.
std::string extensionOf(const std::string& path);

// Whether an extension (lower case, without its dot) names a format korvo
// writes, and so reads: wav, aif, aiff, flac, ogg, oga, caf, w64.
bool isContainerExtension(const std::string& extension);

// Those formats as a message lists them: "wav, aiff, flac, ogg, caf or w64".
std::string containerList();

// The format for writing `path` ("-" being standard output): the container
// from `container` (--format) when given, else from the extension; `bits` is
// --bits' text, "" for the container's default (float for WAV, AIFF, CAF and
// W64, 24 bits for FLAC). False with a one-line reason.
bool chooseOutputFormat(const std::string& path, const std::string& container, const std::string& bits,
                        OutputFormat& format, std::string& error);

// The string tags of a file (title, artist, ...), as libsndfile numbers them.
using AudioTags = std::vector<std::pair<int, std::string>>;
