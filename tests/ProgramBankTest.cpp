#include <gtest/gtest.h>

#include <cstring>

#include "eq/ProgramBank.h"

namespace {

TEST(ProgramBank, AFreshStoreHoldsTheDefaultProgram)
{
    ProgramBank bank(1, 10);
    ASSERT_TRUE(bank.isValid());
    bank.initialise();
    const unsigned char* bytes = static_cast<const unsigned char*>(bank.storage());
    EXPECT_EQ(bank.storageBytes(), 64);
    const unsigned char name[24] = {'D', 'E', 'F', 'A', 'U', 'L', 'T'};
    EXPECT_EQ(std::memcmp(bytes, name, 24), 0);
    const unsigned char half[4] = {0x00, 0x00, 0x00, 0x3F};
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(std::memcmp(bytes + 24 + 4 * k, half, 4), 0) << k;
    }
}

TEST(ProgramBank, RecordsLieSixtyFourBytesApart)
{
    ProgramBank bank(3, 4);
    ASSERT_TRUE(bank.isValid());
    bank.initialise();
    const char* base = static_cast<const char*>(bank.storage());
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(reinterpret_cast<const char*>(&bank.record(p)), base + 64 * p);
        EXPECT_STREQ(bank.record(p).name, "DEFAULT");
        EXPECT_EQ(bank.record(p).values[3], 0.5f);
        EXPECT_EQ(bank.record(p).values[4], 0.0f) << "only paramCount values are set";
    }
    EXPECT_EQ(bank.storageBytes(), 192);
}

}  // namespace
