#include <gtest/gtest.h>

#include <cstring>

#include "common/result.h"
#include "flash/config_image.h"
#include "tests/support.h"

using Bytes = std::vector<uint8_t>;

class ConfigImage : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write("regs.def", "R1");
        dir.Write("a.def", "A");
        dir.Write("core 2;x.def", "Q");
        dir.Write("core2.def", "C2");
    }
    // The image for a configuration text; result in rc.
    Bytes Build(const std::string& text, int32_t& rc, std::string configName = "") {
        if (configName.empty()) configName = dir.File("target.cfg");
        Bytes input(text.begin(), text.end());
        input.push_back(0xFF);
        image.assign(65536, 0xFF);
        rc = ConfigImageBuilder(input.data(), input.size(), configName, image.data());
        return rc > 0 ? Bytes(image.begin(), image.begin() + rc) : Bytes{};
    }
    std::string F(const std::string& name) { return dir.File(name); }
    test::TempDir dir;
    Bytes image;
};

TEST_F(ConfigImage, Texts) {
    const std::string R = F("regs.def"), A = F("a.def");
    struct Case {
        const char* what;
        std::string text;
        Bytes image;
    };
    const Case cases[] = {
        {"nothing", "", {}},
        {"no section", "FILE " + R + "\n", {}},
        {"section without entries", "[REGS]\n; nothing\n", {}},
        {"one entry", "[REGS]\nFILE " + R + "\n", {0x80, 'R', '1'}},
        {"small-letter header opens nothing", "[regs]\nFILE " + R + "\n", {}},
        {"other header closes the section", "[REGS]\n[CPU]\nFILE " + R + "\n", {}},
        {"keyword in capitals only", "[REGS]\nfile " + R + "\n", {}},
        {"numbered",
         "[REGS]\n#65 FILE " + A + "\n#-1 FILE " + A + "\n#x FILE " + A + "\n# 2 FILE " + A,
         {0x81, 'A', 0xBF, 'A', 0x80, 'A', 0x82, 'A'}},
        {"comments after the name",
         "[REGS]\nFILE " + R + ";comment\nFILE " + R + " ; c\n",
         {0x80, 'R', '1', 0x80, 'R', '1'}},
        {"quoted name", "[REGS]\nFILE \"" + F("core 2;x.def") + "\" tail\n", {0x80, 'Q'}},
        {"tabs and leading blanks",
         "[REGS]\n \t FILE\t" + R + "\r\n\t#3\tFILE " + A,
         {0x80, 'R', '1', 0x83, 'A'}},
        {"dollar name beside the configuration", "[REGS]\n#2 FILE $core2.def\n", {0x82, 'C', '2'}},
        {"twice the same file", "[REGS]\nFILE " + A + "\nFILE " + A + "\n", {0x80, 'A', 0x80, 'A'}},
        {"high bytes end a line and are passed over",
         "[REGS]\x80"
         "FILE " +
             A + "\xfe\n",
         {0x80, 'A'}},
        {"NUL ends the tokens of a line",
         "[REGS]\nFILE " + A + std::string(1, '\0') + "x\n",
         {0x80, 'A'}},
        {"a line starting with ';' is ignored", "[REGS]\n;FILE " + A + "\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int32_t rc = 0;
        EXPECT_EQ(Build(c.text, rc), c.image);
        EXPECT_EQ(rc, static_cast<int32_t>(c.image.size()));
    }
}

TEST_F(ConfigImage, FailuresAndLimits) {
    int32_t rc = 0;
    Build("[REGS]\nFILE " + F("a.def") + "\nFILE " + F("missing.def") + "\n", rc);
    EXPECT_EQ(rc, kRegisterFileBad);
    Build("[REGS]\nFILE ;\n", rc);  // empty name
    EXPECT_EQ(rc, kRegisterFileBad);
    Build("[REGS]\nFILE " + dir.path() + "\n", rc);  // a directory opens but cannot be read
    EXPECT_EQ(rc, kRegisterFileBad);
    // A '$' path longer than the path buffer is a file that cannot be opened.
    Build("[REGS]\nFILE $" + std::string(250, 'n') + "\n", rc,
          "/" + std::string(10, 'd') + "/t.cfg");
    EXPECT_EQ(rc, kRegisterFileBad);

    // Full at 65,536: nothing beyond the buffer, the length stays at the capacity.
    dir.Write("big.def", std::string(40000, 'B'));
    Build(
        "[REGS]\nFILE " + F("big.def") + "\nFILE " + F("big.def") + "\nFILE " + F("big.def") + "\n",
        rc);
    EXPECT_EQ(rc, 65536);
    EXPECT_EQ(image[40001], 0x80);
}

TEST_F(ConfigImage, LongLinesContinue) {
    // 300 characters without blanks: a line of 256, then one of 44.
    int32_t rc = 0;
    const std::string longName = std::string(252, 'x');
    EXPECT_EQ(Build("[REGS]\nFILE" + longName + "FILE " + F("a.def") + "\n", rc),
              (Bytes{0x80, 'A'}));
}

TEST(ConfigPieces, PathBesideAndTokens) {
    char path[256];
    ASSERT_TRUE(PathBeside("C:\\cfg\\target.cfg", "core2.def", path));
    EXPECT_STREQ(path, "C:\\cfg\\core2.def");
    ASSERT_TRUE(PathBeside("target.cfg", "core2.def", path));
    EXPECT_STREQ(path, "core2.def");
    ASSERT_TRUE(PathBeside("\\target.cfg", "core2.def", path));
    EXPECT_STREQ(path, "\\core2.def");
    ASSERT_TRUE(PathBeside("/etc/probe/t.cfg", "r.def", path));
    EXPECT_STREQ(path, "/etc/probe/r.def");

    char token[256];
    const char* line = "  \"a b;c\"rest";
    const char* p = NextToken(line, token, sizeof token);
    EXPECT_STREQ(token, "a b;c");
    EXPECT_STREQ(p, "rest");
    p = NextToken("name;x", token, sizeof token);
    EXPECT_STREQ(token, "name");
    EXPECT_STREQ(p, ";x");
    const std::string longer(300, 'z');
    NextToken(longer.c_str(), token, sizeof token);
    EXPECT_EQ(std::strlen(token), 255u);
    NextToken("\"unclosed", token, sizeof token);
    EXPECT_STREQ(token, "unclosed");
}
