// Command frames and the parameter package, byte by byte.
#include "com232/com232.h"
#include "main/startup.h"
#include "testresets.h"
#include "ptypeer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class Frames : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetVarsToLoad();
        SyncWord() = 0x55;
    }
    unsigned Byte(int i) { return static_cast<unsigned char>(szWriteBuf[i]); }
    void PutRead(int offset, unsigned high, unsigned low) {
        szReadBuf[offset] = static_cast<char>(high);
        szReadBuf[offset + 1] = static_cast<char>(low);
    }
};

TEST_F(Frames, EchoFrameBytes) {
    const u16 values[16] = {500, 0, 512, 3, 1, 2, 1, 1024, 512, 100, 1, 3, 1024, 30000, 8, 2};
    FillTxBuf(5, values);
    const unsigned head[] = {0x00, 0x55, 0x00, 0x05, 0x01, 0xF4, 0x00, 0x00, 0x02, 0x00};
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(Byte(i), head[i]) << "byte " << i;
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(Byte(4 + 2 * i), values[i] >> 8u) << "word " << i;
        EXPECT_EQ(Byte(5 + 2 * i), values[i] & 0xFFu) << "word " << i;
    }
}

TEST_F(Frames, CodeAndSyncKeepLow16Bits) {
    const u16 zero[16] = {};
    struct {
        int sync, code;
        unsigned b0, b1, b2, b3;
    } cases[] = {
        {0x55, 0x1000C, 0x00, 0x55, 0x00, 0x0C}, // code above 0xFFFF
        {0x55, 0xFFFF, 0x00, 0x55, 0xFF, 0xFF},
        {0x10055, 7, 0x00, 0x55, 0x00, 0x07}, // sync above 0xFFFF
        {0x55, -1, 0x00, 0x55, 0xFF, 0xFF},   // negative code
    };
    for (const auto &c : cases) {
        SyncWord() = c.sync;
        FillTxBuf(c.code, zero);
        EXPECT_EQ(Byte(0), c.b0);
        EXPECT_EQ(Byte(1), c.b1);
        EXPECT_EQ(Byte(2), c.b2) << "code " << c.code;
        EXPECT_EQ(Byte(3), c.b3) << "code " << c.code;
    }
}

TEST_F(Frames, FillTxBufLeavesOrderAlone) {
    const u16 zero[16] = {};
    order = 2;
    FillTxBuf(9, zero);
    EXPECT_EQ(order, 2);
}

TEST_F(Frames, ReplyWordsAreUnsigned) {
    PutRead(4, 0xFF, 0xFF);  // word 0
    PutRead(6, 0x80, 0x00);  // word 1
    PutRead(34, 0x12, 0x34); // word 15
    PutRead(0, 0xDE, 0xAD);  // header bytes are not words
    GetRxBuf(PNUM);
    EXPECT_EQ(pp[0], 65535);
    EXPECT_EQ(int(pp[0]), 65535); // widened with zeros, never -1
    EXPECT_EQ(pp[1], 0x8000);
    EXPECT_EQ(pp[15], 0x1234);
    EXPECT_EQ(ReadBufWord(0), 0xDEAD);
}

TEST_F(Frames, GetRxBufCountLimitsWords) {
    PutRead(4, 0, 7);
    PutRead(6, 0, 8);
    pp[1] = 99;
    GetRxBuf(1);
    EXPECT_EQ(pp[0], 7);
    EXPECT_EQ(pp[1], 99);
}

TEST_F(Frames, PackageOrderMatchesSettings) {
    u16 *settings[16] = {&power, &tolMode,   &vThd,    &anaMode, &polarity, &eMode,
                         &eBeg,  &eEnd,      &tVal,    &tTol,    &opMode,   &eHardware,
                         &slope, &intersect, &average, &powMode};
    for (int i = 0; i < 16; i++)
        *settings[i] = static_cast<u16>(1000 + i);
    CopyVarsToPP();
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(pp[i], 1000 + i) << "word " << i;
    for (int i = 0; i < 16; i++)
        pp[i] = static_cast<u16>(60000 + i);
    CopyPPtoVars();
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(*settings[i], 60000 + i) << "word " << i;
}

TEST_F(Frames, StatusIsCutTo71Characters) {
    char longText[200];
    std::memset(longText, 'x', sizeof longText - 1);
    longText[sizeof longText - 1] = '\0';
    SetStatus(longText);
    EXPECT_EQ(std::strlen(szStatus), 71u);
}

TEST_F(Frames, LoadValuesBeforeInitVars) {
    EXPECT_EQ(YAXISMAX, 1024);
    EXPECT_EQ(graphrefresh, 0);
    EXPECT_EQ(power, 0);
    EXPECT_EQ(stop_flag, 0);
}

} // namespace
