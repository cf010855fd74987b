#include "host/TextHelpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iomanip>
#include <limits>
#include <ostream>
#include <string>

namespace {

const char kSentinel = '\x7F';
const int kBufferSize = 48;

struct Buffer {
    char bytes[kBufferSize];
    Buffer() { std::memset(bytes, kSentinel, sizeof bytes); }
    // Every byte from position `from` on still holds the sentinel.
    bool untouchedFrom(int from) const
    {
        for (int i = from; i < kBufferSize; ++i)
            if (bytes[i] != kSentinel)
                return false;
        return true;
    }
};

// Runs a formatter into a sentinel-filled buffer, checks the bounds and returns the text.
template <typename T>
std::string format(void (*fn)(T, char*, int32_t), T value, int32_t maxLen)
{
    Buffer buf;
    fn(value, buf.bytes, maxLen);
    EXPECT_EQ('\0', buf.bytes[maxLen]) << "no terminator at maxLen";
    EXPECT_TRUE(buf.untouchedFrom(maxLen + 1)) << "written beyond maxLen";
    return std::string(buf.bytes);
}

struct FloatCase { float value; const char* text; };

void PrintTo(const FloatCase& c, std::ostream* os)
{
    *os << std::setprecision(9) << c.value << " -> \"" << c.text << '"';
}

const float kInf = std::numeric_limits<float>::infinity();

const FloatCase kFloatCases[] = {
    {0.0f, "0.000000"},       {0.5f, "0.500000"},       {0.7f, "0.699999"},
    {-0.5f, "-0.50000"},      {1234.5f, "1234.500"},    {44100.0f, "44100.00"},
    {1234567.0f, "1234567."}, {-123456.0f, "-123456."}, {100000000.0f, "Huge!"},
    {-0.0f, "0.000000"},      {2.0f / 3.0f, "0.666666"},  {0.1f, "0.100000"},
    {0.0001f, "0.000099"},    {1e-30f, "0.000000"},     {10.0f, "10.00000"},
    {100.0f, "100.0000"},     {123.456f, "123.4560"},   {-1.25f, "-1.25000"},
    {99999.99f, "99999.99"},  {-99999.99f, "-99999.9"}, {999999.9f, "999999.8"},
    {-6.0205999f, "-6.02059"}, {6.0205999f, "6.020599"}, {441.0f, "441.0000"},
    {1000000.0f, "1000000."}, {9999999.0f, "9999999."}, {-999999.0f, "-999999."},
    {10000000.0f, "Huge!"},   {12345678.0f, "Huge!"},   {99999999.0f, "Huge!"},
    {-1000000.0f, "Huge!"},   {-1234567.0f, "Huge!"},   {-9999999.0f, "Huge!"},
    {-10000000.0f, "Huge!"},  {kInf, "Huge!"},          {-kInf, "Huge!"},
    {std::numeric_limits<float>::max(), "Huge!"},
};

class FormatFloatTable : public ::testing::TestWithParam<FloatCase> {};

TEST_P(FormatFloatTable, ProducesTruncatedEightCharacterText)
{
    EXPECT_EQ(GetParam().text, format(formatFloat, GetParam().value, 8));
}

INSTANTIATE_TEST_SUITE_P(Examples, FormatFloatTable, ::testing::ValuesIn(kFloatCases));

struct IntCase { int32_t value; int32_t maxLen; const char* text; };

void PrintTo(const IntCase& c, std::ostream* os)
{
    *os << c.value << " (maxLen " << c.maxLen << ") -> \"" << c.text << '"';
}

const IntCase kIntCases[] = {
    {5, 8, "5"},           {-5, 8, "-5"},               {1234, 8, "1234"},
    {99999999, 8, "99999999"}, {100000000, 8, "Huge!"}, {-123456789, 16, "-123456789"},
    {0, 8, "0"},           {-1, 8, "-1"},               {10, 8, "10"},
    {100000, 8, "100000"}, {10203004, 8, "10203004"},   {INT32_MAX, 8, "Huge!"},
    {-1000000000, 16, "-1000000000"}, {INT32_MIN, 16, "-2147483648"},
    {-2147483647, 16, "-2147483647"}, {12345678, 4, "1234"}, {INT32_MIN, 8, "-2147483"},
    {-5, 1, "-"},          {7, 0, ""},
};

class FormatIntTable : public ::testing::TestWithParam<IntCase> {};

TEST_P(FormatIntTable, ProducesDigitsCutToMaxLen)
{
    EXPECT_EQ(GetParam().text, format(formatInt, GetParam().value, GetParam().maxLen));
}

INSTANTIATE_TEST_SUITE_P(Examples, FormatIntTable, ::testing::ValuesIn(kIntCases));

TEST(FormatFloat, ShortMaxLenCutsTextAndTouchesNothingBeyond)
{
    EXPECT_EQ("1234.", format(formatFloat, 1234.5f, 5));
    EXPECT_EQ("-0", format(formatFloat, -0.5f, 2));
    EXPECT_EQ("", format(formatFloat, 0.5f, 0));
    EXPECT_EQ("Hug", format(formatFloat, kInf, 3));
}

TEST(FormatFloat, LongBufferIsZeroFilledUpToMaxLen)
{
    Buffer buf;
    formatFloat(1234.5f, buf.bytes, 24);
    EXPECT_STREQ("1234.500", buf.bytes);
    for (int i = 8; i <= 24; ++i)
        EXPECT_EQ('\0', buf.bytes[i]) << "at " << i;
    EXPECT_TRUE(buf.untouchedFrom(25));
}

TEST(FormatFloat, NotANumberGivesNaN)
{
    EXPECT_EQ("NaN", format(formatFloat, std::numeric_limits<float>::quiet_NaN(), 8));
    EXPECT_EQ("NaN", format(formatFloat, -std::numeric_limits<float>::quiet_NaN(), 8));
}

TEST(Formatters, NullTextOrNegativeMaxLenWritesNothing)
{
    formatFloat(1.5f, nullptr, 8);
    formatInt(15, nullptr, 8);
    Buffer buf;
    formatFloat(1.5f, buf.bytes, -1);
    formatInt(15, buf.bytes, -1);
    EXPECT_TRUE(buf.untouchedFrom(0));
}

TEST(CopyText, ShortSourceIsZeroFilledToMaxLen)
{
    Buffer buf;
    copyText(buf.bytes, "abc", 6);
    EXPECT_STREQ("abc", buf.bytes);
    for (int i = 3; i <= 6; ++i)
        EXPECT_EQ('\0', buf.bytes[i]) << "at " << i;
    EXPECT_TRUE(buf.untouchedFrom(7));
}

TEST(CopyText, LongSourceIsCutAtMaxLen)
{
    Buffer buf;
    copyText(buf.bytes, "abcdefgh", 4);
    EXPECT_STREQ("abcd", buf.bytes);
    EXPECT_TRUE(buf.untouchedFrom(5));
}

TEST(CopyText, ZeroMaxLenAndNullSource)
{
    Buffer empty;
    copyText(empty.bytes, "abc", 0);
    EXPECT_EQ('\0', empty.bytes[0]);
    EXPECT_TRUE(empty.untouchedFrom(1));

    Buffer nullSrc;
    copyText(nullSrc.bytes, nullptr, 3);
    for (int i = 0; i <= 3; ++i)
        EXPECT_EQ('\0', nullSrc.bytes[i]) << "at " << i;
    EXPECT_TRUE(nullSrc.untouchedFrom(4));
}

TEST(CopyText, NullTextOrNegativeMaxLenWritesNothing)
{
    copyText(nullptr, "abc", 8);
    Buffer buf;
    copyText(buf.bytes, "abc", -1);
    EXPECT_TRUE(buf.untouchedFrom(0));
}

TEST(AppendText, AddsAfterExistingTextAndCutsTheWhole)
{
    Buffer buf;
    copyText(buf.bytes, "ab", 8);
    appendText(buf.bytes, "cd", 8);
    EXPECT_STREQ("abcd", buf.bytes);
    appendText(buf.bytes, "efghij", 8);
    EXPECT_STREQ("abcdefgh", buf.bytes);
    EXPECT_TRUE(buf.untouchedFrom(9));

    Buffer cut;
    copyText(cut.bytes, "ab", 5);
    appendText(cut.bytes, "cdefgh", 5);
    EXPECT_STREQ("abcde", cut.bytes);
    EXPECT_TRUE(cut.untouchedFrom(6));
}

TEST(AppendText, ExistingTextLongerThanMaxLenIsCut)
{
    Buffer unterminated;
    std::memset(unterminated.bytes, 'x', 10);
    appendText(unterminated.bytes, "yz", 4);
    EXPECT_STREQ("xxxx", unterminated.bytes);
    EXPECT_EQ('x', unterminated.bytes[5]);

    Buffer longer;
    copyText(longer.bytes, "abcdef", 8);
    appendText(longer.bytes, "g", 3);
    EXPECT_STREQ("abc", longer.bytes);
}

TEST(AppendText, TerminatesRightAfterTheAddedCharacters)
{
    Buffer buf;
    std::memcpy(buf.bytes, "ab\0wxyz", 8);
    appendText(buf.bytes, "c", 8);
    EXPECT_STREQ("abc", buf.bytes);
    EXPECT_EQ('\0', buf.bytes[8]);
    EXPECT_TRUE(buf.untouchedFrom(9));
}

TEST(AppendText, NullSourceKeepsTextAndNullTextIsIgnored)
{
    Buffer buf;
    copyText(buf.bytes, "ab", 4);
    appendText(buf.bytes, nullptr, 4);
    EXPECT_STREQ("ab", buf.bytes);
    EXPECT_TRUE(buf.untouchedFrom(5));

    appendText(nullptr, "ab", 4);
    Buffer untouched;
    appendText(untouched.bytes, "ab", -1);
    EXPECT_TRUE(untouched.untouchedFrom(0));
}

} // namespace
