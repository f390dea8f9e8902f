#include <gtest/gtest.h>

#include <set>

#include "common/pack.h"
#include "common/result.h"
#include "common/status.h"
#include "tests/support.h"

TEST(Pack, BigEndianExamples) {
    uint8_t b[8] = {};
    EXPECT_EQ(PutBE16(b, 0x1234), b + 2);
    EXPECT_EQ(b[0], 0x12);
    EXPECT_EQ(b[1], 0x34);
    EXPECT_EQ(PutBE32(b, 0x00200000), b + 4);
    EXPECT_EQ((std::vector<uint8_t>(b, b + 4)), (std::vector<uint8_t>{0x00, 0x20, 0x00, 0x00}));
    const uint8_t in[] = {0xFF, 0x01, 0xDE, 0xAD, 0xBE, 0xEF};
    uint16_t v16 = 0;
    uint32_t v32 = 0;
    uint8_t v8 = 0;
    EXPECT_EQ(GetBE16(in, v16), in + 2);
    EXPECT_EQ(v16, 0xFF01);
    EXPECT_EQ(GetBE32(in + 2, v32), in + 6);
    EXPECT_EQ(v32, 0xDEADBEEFu);
    EXPECT_EQ(GetByte(in, v8), in + 1);
    EXPECT_EQ(v8, 0xFF);
}

TEST(ResultTable, EveryCodeOnceWithAMeaning) {
    int count = 0;
    const ResultInfo* table = ResultTable(count);
    std::set<ResultCode> seen;
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(seen.insert(table[i].code).second) << table[i].code;
        EXPECT_STRNE(table[i].meaning, "");
    }
    EXPECT_STREQ(ResultMeaning(kNoAnswer), "no answer from the loader");
    EXPECT_STREQ(ResultMeaning(-7), "unknown result code");
}

// ShowProgress remembers the last percentage across calls and callers; the order of these
// steps matters.
TEST(ShowProgress, SkipsRepeatsAndSurvivesLargeTotals) {
    test::RecordingStatus status;
    ShowProgress("A ( %u%% )", status, 68, 1);
    ShowProgress("A ( %u%% )", status, 68, 1);  // same 1 %: nothing
    ShowProgress("A ( %u%% )", status, 68, 68);
    ShowProgress("B ( %u%% )", status, 16, 16);  // 100 % again: skipped
    // 3 GB total: a 32-bit product would wrap and show a wrong figure.
    ShowProgress("C ( %u%% )", status, 3'000'000'000u, 1'500'000'000u);
    EXPECT_EQ(status.texts, (std::vector<std::string>{"A ( 1% )", "A ( 100% )", "C ( 50% )"}));
}
