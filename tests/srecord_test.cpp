#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "flash/srecord.h"
#include "tests/images.h"
#include "tests/support.h"

using Bytes = std::vector<uint8_t>;

namespace {

const Bytes kSixteen = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

struct Block {
    uint32_t start;
    Bytes data;
};

// Every block of a file, and the reader's last result (0 or an error).
std::vector<Block> ReadBlocks(const std::string& path, int32_t& last) {
    TextFile file(path);
    std::vector<Block> blocks;
    ClearPendingRecord();
    uint8_t block[kFirmwareBlockSize];
    uint32_t start = 0;
    while ((last = ReadFirmwareBlock(file, block, start)) > 0)
        blocks.push_back({start, {block, block + last}});
    return blocks;
}

std::vector<Block> ReadText(const test::TempDir& dir, const std::string& text, int32_t& last) {
    dir.Write("image.srec", text);
    return ReadBlocks(dir.File("image.srec"), last);
}

// The blocks must follow on without a gap from base and hold exactly data.
void ExpectExactly(const std::vector<Block>& blocks, uint32_t base, const Bytes& data) {
    Bytes joined;
    for (const Block& b : blocks) {
        ASSERT_EQ(b.start, base + joined.size());
        ASSERT_LE(b.data.size(), 1024u);
        joined.insert(joined.end(), b.data.begin(), b.data.end());
    }
    EXPECT_EQ(joined, data);
}

}  // namespace

TEST(SRecord, HexPairValue) {
    EXPECT_EQ(HexPairValue('0', '0'), 0x00);
    EXPECT_EQ(HexPairValue('9', 'F'), 0x9F);
    EXPECT_EQ(HexPairValue('F', 'A'), 0xFA);
    EXPECT_EQ(HexPairValue('a', 'b'), 0x00);  // lines are upper-cased before decoding
    EXPECT_EQ(HexPairValue('G', '\n'), 0x00);
    EXPECT_EQ(HexPairValue('1', '\0'), 0x10);
}

TEST(SRecord, LineCases) {
    const std::string good = test::SRecordLine('1', 0x0000, kSixteen);
    std::string lower = good;
    for (char& c : lower) c = static_cast<char>(std::tolower(c));
    std::string checksumOff = good;
    checksumOff[checksumOff.size() - 2] ^= 1;
    std::string nulInside = good;
    nulInside[10] = '\0';
    std::string badHeader = test::SRecordLine('0', 0, {'a', 'b'});
    badHeader.insert(badHeader.size() - 1, "00");
    std::string headerBadSum = test::SRecordLine('0', 0, {'a', 'b'});
    headerBadSum[headerBadSum.size() - 2] ^= 1;
    struct Case {
        const char* what;
        std::string line;
        int result;
    };
    const Case cases[] = {
        {"S1 with sixteen bytes", good, 16},
        {"lower case", lower, 16},
        {"leading blanks and tab", " \t  " + good, 16},
        {"S2", test::SRecordLine('2', 0x123456, kSixteen), 16},
        {"S3", test::SRecordLine('3', 0x00100000, {0xAA}), 1},
        {"data record without data", test::SRecordLine('3', 0x00100000, {}), 0},
        {"trailing blank", good.substr(0, good.size() - 1) + " \n", -1},
        {"no line feed", good.substr(0, good.size() - 1), -1},
        {"end record without line feed", "S9030000FC", -1},
        {"end record", "S9030000FC\n", 0},
        {"header, right length, checksum not checked", headerBadSum, 0},
        {"header, wrong length", badHeader, -1},
        {"checksum one off", checksumOff, -1},
        {"blank line", "\n", -1},
        {"empty", "", -1},
        {"no S", "11130000\n", -1},
        {"S alone", "S\n", -1},
        {"type only", "S1\n", -1},
        {"count smaller than the address", "S1020000FD\n", -1},
        {"NUL inside", nulInside, -1},
        {"count claims more than the line has", "S1FF0000\n", -1},
        {"binary bytes", "S1\x80\xff\x01\n", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        uint32_t address = 0xDEAD;
        uint8_t data[kMaxRecordData];
        EXPECT_EQ(ParseSRecordLine(c.line.c_str(), address, data), c.result);
        if (c.result == 16) {
            EXPECT_EQ(data[15], 15);
        }
    }
    uint32_t address = 0;
    uint8_t data[kMaxRecordData];
    ASSERT_EQ(ParseSRecordLine(test::SRecordLine('2', 0x123456, kSixteen).c_str(), address, data),
              16);
    EXPECT_EQ(address, 0x123456u);
}

TEST(SRecord, BlockCases) {
    test::TempDir dir;
    int32_t last = 0;
    const Bytes k1024 = test::RandomBytes(1040, 7);

    // 65 contiguous records of 16: one full block, then one more.
    auto blocks = ReadText(dir, test::SRecordFile(k1024, 0x100000, '3', 16), last);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].data.size(), 1024u);
    EXPECT_EQ(blocks[1].start, 0x100400u);
    EXPECT_EQ(last, 0);

    // Records of 252: four fit (1008), the fifth opens the next block.
    const Bytes k1260 = test::RandomBytes(1260, 8);
    blocks = ReadText(dir, test::SRecordFile(k1260, 0x1000, '1', 252), last);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].data.size(), 1008u);
    ExpectExactly(blocks, 0x1000, k1260);

    // A gap, a record below the block's end, and skipped lines between records.
    const std::string gap =
        test::SRecordLine('3', 0x100000, kSixteen) + test::SRecordLine('3', 0x100020, kSixteen) +
        test::SRecordLine('3', 0x100010, kSixteen) + test::SRecordLine('5', 0x0003, {}) +
        test::SRecordLine('3', 0x100020, kSixteen);
    blocks = ReadText(dir, gap, last);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].start, 0x100000u);
    EXPECT_EQ(blocks[1].start, 0x100020u);
    EXPECT_EQ(blocks[2].start, 0x100010u);
    EXPECT_EQ(blocks[2].data.size(), 32u);

    // Only header and end.
    blocks = ReadText(dir, test::SRecordFile({}, 0x100000), last);
    EXPECT_TRUE(blocks.empty());
    EXPECT_EQ(last, 0);

    // One bad line in the middle: the data gathered so far is dropped.
    std::string bad = test::SRecordFile(test::RandomBytes(256, 9), 0x100000, '3', 32);
    bad.insert(bad.find("\nS3") + 1, "S3 oops\n");
    blocks = ReadText(dir, bad, last);
    EXPECT_TRUE(blocks.empty());
    EXPECT_EQ(last, kInvalidImage);

    // A line longer than 519 characters is read in pieces: invalid.
    blocks = ReadText(dir, "S3" + std::string(600, '0') + "\n", last);
    EXPECT_EQ(last, kInvalidImage);
}

TEST(SRecord, AReadErrorIsNoEndOfFile) {
    int32_t last = 0;
    // A directory opens for reading on Linux and then fails every read.
    TextFile file("/");
    EXPECT_FALSE(file.is_open());
    ReadBlocks("/proc/self/mem", last);  // opens, then every read fails (EIO)
    EXPECT_EQ(last, kInvalidImage);
}

// Files written by tools that are not ours, read back to the very byte.
TEST(SRecord, FilesFromObjcopyAndSrecCat) {
    test::TempDir dir;
    struct Case {
        size_t size;
        uint32_t address;
        std::string command;  // %in, %out
    };
    const Case cases[] = {
        {70001, 0x100000,
         "objcopy -I binary -O srec --change-addresses 0x100000 --srec-forceS3 %in %out"},
        {4099, 0x100000,
         "objcopy -I binary -O srec --change-addresses 0x100000 --srec-forceS3 --srec-len 64 %in "
         "%out"},
        {30000, 0x100000,
         "objcopy -I binary -O srec --change-addresses 0x100000 --srec-len 252 %in %out"},
        {20000, 0x0, "objcopy -I binary -O srec --srec-len 17 %in %out"},
        {65536, 0x0, "srec_cat %in -binary -o %out -address-length=2 -line-length=46"},
        {50001, 0x100000, "srec_cat %in -binary -offset 0x100000 -o %out -address-length=3"},
        {50001, 0x100000,
         "srec_cat %in -binary -offset 0x100000 -o %out -address-length=4 -line-length=200"},
    };
    uint32_t seed = 1;
    for (const Case& c : cases) {
        for (bool crlf : {false, true}) {
            SCOPED_TRACE(c.command + (crlf ? " (CR LF)" : ""));
            const Bytes data = test::RandomBytes(c.size, seed++);
            dir.Write("in.bin", std::string(data.begin(), data.end()));
            std::string command = c.command;
            command.replace(command.find("%in"), 3, dir.File("in.bin"));
            command.replace(command.find("%out"), 4, dir.File("out.srec"));
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            // The tools choose their own line ends; make them LF, or CR LF, throughout.
            std::string converted;
            for (uint8_t b : test::ReadFileBytes(dir.File("out.srec"))) {
                if (b == '\r') continue;
                if (b == '\n' && crlf) converted += '\r';
                converted += static_cast<char>(b);
            }
            dir.Write("out.srec", converted);
            int32_t last = 0;
            const auto blocks = ReadBlocks(dir.File("out.srec"), last);
            EXPECT_EQ(last, 0);
            ExpectExactly(blocks, c.address, data);
        }
    }
}
