// libsndfile numbers each Ogg stream it writes from the clock, so two renders
// of the same audio would differ in every page. This gives the pages of a
// single-stream file one fixed serial number instead, with their checksums
// made anew, as the pages go out.
#pragma once

#include <cstddef>
#include <cstdint>

// Renumbers the whole pages at the start of `data` in place and answers their
// length: a page cut off at the end is left as it is, for the next call. -1
// when the bytes are not Ogg pages.
long long renumberOggPages(unsigned char* data, std::size_t size, std::uint32_t serial);
