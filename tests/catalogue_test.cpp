#include <gtest/gtest.h>

#include <sys/stat.h>

#include "flash/catalogue.h"
#include "tests/support.h"

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override { SetProgramDirectory(dir.path()); }
    void TearDown() override { SetProgramDirectory(""); }
    void Touch(const std::string& name) { dir.Write(name, "x"); }
    test::TempDir dir;
};

TEST_F(Catalogue, NewestVersionBesideTheProgram) {
    EXPECT_EQ(FindNewestFirmware(kFirmwareBaseName), 0);
    for (const char* name : {"VXQSWDFW.000", "VXQSWDFW.12", "VXQSWDFW.1A3", "VXQSWDFW", "OTHER.999",
                             "VXQSWDFW.9999", "VXQSWDFWX.999", "xVXQSWDFW.999"})
        Touch(name);
    EXPECT_EQ(FindNewestFirmware(kFirmwareBaseName), 0);
    Touch("VXQSWDFW.099");
    Touch("vxqswdfw.105");  // the letter case of the name does not matter
    EXPECT_EQ(FindNewestFirmware(kFirmwareBaseName), 105);
    mkdir(dir.File("VXQSWDFW.200").c_str(), 0755);  // nor the kind of entry
    EXPECT_EQ(FindNewestFirmware(kFirmwareBaseName), 200);
    Touch("VXQSWDFW.300");
    EXPECT_EQ(FindNewestFirmware(kFirmwareBaseName), 300);
    EXPECT_EQ(FirmwareImagePath(kFirmwareBaseName, 300), "");
}

TEST_F(Catalogue, ImagePaths) {
    EXPECT_EQ(FirmwareImagePath(kFirmwareBaseName, 7), dir.path() + "/VXQSWDFW.007");
    EXPECT_EQ(FirmwareImagePath(kFirmwareBaseName, 123), dir.path() + "/VXQSWDFW.123");
    EXPECT_EQ(FirmwareImagePath(kFirmwareBaseName, 0), "");
    EXPECT_EQ(FirmwareImagePath(kFirmwareBaseName, 256), "");
}

TEST(CatalogueDirectory, IsTheProgramsOwn) {
    const std::string dir = ProgramDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    struct stat st {};
    EXPECT_EQ(stat((dir + "catalogue_test").c_str(), &st), 0) << dir;
}

TEST(VersionText, ExtensionsAndFormats) {
    const std::pair<const char*, uint16_t> extensions[] = {
        {".105", 105}, {".000", 0}, {"x999", 999}, {".12", 0}, {".1A3", 0}, {"", 0}, {".1234", 0}};
    for (auto [e, v] : extensions) EXPECT_EQ(ExtensionVersion(e), v) << e;
    const std::pair<uint16_t, const char*> formats[] = {
        {1, "0.01"},   {7, "0.07"},    {10, "0.10"},     {100, "1.00"},   {123, "1.23"},
        {255, "2.55"}, {0, "unknown"}, {256, "unknown"}, {999, "unknown"}};
    for (auto [v, text] : formats) EXPECT_EQ(FormatVersion(v), text) << v;
}
