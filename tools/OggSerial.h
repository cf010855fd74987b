// libsndfile numbers each Ogg stream it writes from the clock, so two renders
// of the same audio would differ in every page. This gives the pages of a
// finished single-stream file one fixed serial number instead, with their
// checksums made anew.
#pragma once

#include <cstdint>
#include <string>

// The file open for reading and writing as `descriptor`; false with a
// one-line reason if it is not a whole Ogg stream.
bool setOggSerial(int descriptor, std::uint32_t serial, std::string& error);
