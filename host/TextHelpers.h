// Bounded text writing and the number-to-text conversions behind the effect's
// parameter display operations. Every function writes into a caller's buffer of
// maxLen + 1 bytes and never touches a byte beyond position maxLen.
#pragma once

#include <cstdint>

// Copies src into text: the first maxLen bytes receive src's characters (at most
// maxLen of them) followed by zero bytes, then text[maxLen] is set to zero.
// A null text or a negative maxLen writes nothing; a null src counts as empty.
void copyText(char* text, const char* src, int32_t maxLen);

// Appends src to the text already in the buffer, cutting the whole to at most
// maxLen characters; the result is zero-terminated and text[maxLen] is zero.
// A null text or a negative maxLen writes nothing; a null src counts as empty.
void appendText(char* text, const char* src, int32_t maxLen);

// Fixed-width decimal of at most 8 characters (sign and point included), digits
// truncated, never rounded: 1234.5 -> "1234.500", -0.5 -> "-0.50000",
// 1234567 -> "1234567.". Values whose integer part does not fit (from 10000000,
// or from a magnitude of 1000000 when negative) and infinities give "Huge!";
// NaN gives "NaN".
void formatFloat(float value, char* text, int32_t maxLen);

// Decimal digits with a leading "-" for negative values; 0 gives "0" and values
// from 100000000 upwards give "Huge!". Every negative value, INT32_MIN included,
// shows its full digits.
void formatInt(int32_t value, char* text, int32_t maxLen);
