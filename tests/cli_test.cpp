// vexalink-cli as a user runs it, against vexaq-sim processes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "tests/images.h"
#include "tests/processes.h"
#include "tests/support.h"

using Bytes = std::vector<uint8_t>;

namespace {

const std::string kCli = VEXALINK_CLI_PATH;

Bytes FlashAt(const std::string& file, uint32_t address, uint32_t length) {
    const Bytes all = test::ReadFileBytes(file);
    if (all.size() < address + length) return {};
    return {all.begin() + address, all.begin() + address + length};
}

}  // namespace

class Cli : public ::testing::Test {
protected:
    std::vector<std::string> Env() {
        return {"XDG_CONFIG_HOME=" + home.path(),
                "VEXALINK_FACTORY_ADDRESS=" + test::SecondLoopbackAddress()};
    }
    test::Run Cli_(std::vector<std::string> args) { return test::RunProgram(kCli, args, Env()); }
    std::vector<std::string> Net(std::vector<std::string> args) {
        args.insert(args.begin(), {"--net", address});
        return args;
    }
    std::unique_ptr<test::SimProcess> Sim(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"--udp", address, "--flash", flash};
        args.insert(args.end(), extra.begin(), extra.end());
        return std::make_unique<test::SimProcess>(args);
    }
    test::TempDir home, dir;
    std::string address = test::LoopbackAddress();
    std::string flash = dir.File("flash.bin");
};

TEST_F(Cli, Info) {
    auto sim = Sim();
    // A copy in a folder of its own: no image beside it, whatever lies beside the build.
    const std::string cli = dir.File("vexalink-cli");
    std::filesystem::copy_file(kCli, cli);
    const test::Run r = test::RunProgram(cli, Net({"info"}), Env());
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out,
              "Serial number: 41002731\nMAC address: 02A7E5410027\nLoader version: 1.05\n"
              "Loaded version: 1.02\nNewest version: unknown\n");
    const auto lines = r.ErrLines();
    EXPECT_EQ(lines.front(), "Connecting to Vexa Loader ...");
    EXPECT_EQ(lines.back(), "Starting firmware please wait....");
}

TEST_F(Cli, UpdateEraseTransmit) {
    auto sim = Sim();
    const Bytes payload = test::FirmwarePayload(48 * 1024, 21);
    dir.Write("fw.srec", test::SRecordFile(payload, 0x100000, '3', 32));

    test::Run r = Cli_(Net({"update", "--image", dir.File("fw.srec"), "--verify"}));
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.ErrLines().end()[-2], "Updating firmware passed!");
    Bytes expected = payload;
    std::copy_n(Bytes{0xAA, 0x55, 0x55, 0xAA}.begin(), 4, expected.begin());
    EXPECT_EQ(FlashAt(flash, 0x100000, static_cast<uint32_t>(payload.size())), expected);
    // Not a terminal: each new percentage on a line of its own.
    EXPECT_NE(r.err.find("Firmware: Programming Flash ... ( 50% )\n"), std::string::npos);

    r = Cli_(Net({"erase"}));
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out.rfind("CRC: ", 0), 0u) << r.out;
    EXPECT_EQ(FlashAt(flash, 0x100000, 4), Bytes(4, 0xFF));

    dir.Write("t.cfg", "[REGS]\nFILE $r.def\n");
    dir.Write("r.def", "RR");
    r = Cli_(Net({"transmit", "--ip", "10.1.2.3", "--host", "255.255.255.255", "--config",
                  dir.File("t.cfg")}));
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(FlashAt(flash, 0x6000, 12),
              (Bytes{0x02, 0xA7, 0xE5, 0x41, 0x00, 0x27, 0xFF, 0xFF, 10, 1, 2, 3}));
    EXPECT_EQ(FlashAt(flash, 0x210000, 4), (Bytes{0x80, 'R', 'R', 0xFF}));

    r = Cli_(Net({"--json", "start"}));
    EXPECT_EQ(r.exit, 0);
    std::istringstream lines(r.out);
    std::string line, last;
    while (std::getline(lines, line)) {
        EXPECT_EQ(line.rfind("{\"channel\":\"NETWORK " + address + "\",\"type\":", 0), 0u) << line;
        last = line;
    }
    EXPECT_NE(last.find("\"type\":\"result\""), std::string::npos);
    EXPECT_NE(last.find("\"code\":0"), std::string::npos);
}

TEST_F(Cli, ProgressRedrawsInPlaceOnATerminal) {
    auto sim = Sim();
    dir.Write("fw.srec",
              test::SRecordFile(test::FirmwarePayload(48 * 1024, 25), 0x100000, '3', 32));
    // script(1) gives the program a terminal.
    std::string command = "env";
    for (const std::string& e : Env()) command += " " + e;
    command += " " + kCli + " --net " + address + " update --image " + dir.File("fw.srec");
    const test::Run r = test::RunProgram("script", {"-qfec", command, "/dev/null"});
    EXPECT_EQ(r.exit, 0) << r.out;
    EXPECT_NE(r.out.find("\rFirmware: Programming Flash ... ( 100% )\033[K"), std::string::npos);
    EXPECT_EQ(r.out.find("Firmware: Programming Flash ... ( 50% )\r\n"), std::string::npos);
    EXPECT_NE(r.out.find("Programming Firmware ... passed!"), std::string::npos);
}

TEST_F(Cli, EqualVersionsSkipUnlessForced) {
    // An image beside the program: the program copied next to one.
    const std::string cli = dir.File("vexalink-cli");
    std::filesystem::copy_file(kCli, cli);
    dir.Write("VXQSWDFW.102",
              test::SRecordFile(test::FirmwarePayload(48 * 1024, 22), 0x100000, '3', 32));
    auto sim = Sim();
    test::Run r = test::RunProgram(cli, Net({"info"}), Env());
    EXPECT_NE(r.out.find("Newest version: 1.02"), std::string::npos);
    r = test::RunProgram(cli, Net({"update"}), Env());
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(FlashAt(flash, 0x100000, 4), Bytes(4, 0xFF));  // nothing programmed
    r = test::RunProgram(cli, Net({"update", "--force"}), Env());
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(FlashAt(flash, 0x100000, 4), (Bytes{0xAA, 0x55, 0x55, 0xAA}));
}

TEST_F(Cli, Failures) {
    test::Run r = Cli_(Net({"info"}));  // nobody there
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.ErrLines().back(), "error: -1201 NoAnswer: no answer from the loader");

    r = Cli_({"--serial", dir.File("no-such-tty"), "info"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find(dir.File("no-such-tty") + ": No such file or directory"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.ErrLines().back().rfind("error: -1001", 0), 0u);

    auto sim = Sim({"--fail-erase", "0x100000"});
    dir.Write("fw.srec",
              test::SRecordFile(test::FirmwarePayload(48 * 1024, 23), 0x100000, '3', 32));
    r = Cli_(Net({"update", "--image", dir.File("fw.srec")}));
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("Firmware update failed!\n"), std::string::npos);
    EXPECT_EQ(r.ErrLines().back(),
              "error: -4006 EraseFailed: the loader reported that an erase failed");
}

TEST_F(Cli, ABusyPortNamesItsHolder) {
    test::SimProcess sim({"--pty", dir.File("tty"), "--flash", flash});
    const int fd = open(dir.File("tty").c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);  // as another serial program would hold it
    const test::Run r = Cli_({"--serial", dir.File("tty"), "info"});
    close(fd);
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("Device or resource busy"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("The port is held by " + std::to_string(getpid()) + " (cli_test)"),
              std::string::npos)
        << r.err;
}

TEST_F(Cli, UsageErrorsSendNothing) {
    std::atomic<int> received{0};
    test::ScriptedUdpPeer peer(address, [&](const test::Message&) {
        ++received;
        return std::vector<test::Message>{};
    });
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--net", address},
        {"--net", address, "frobnicate"},
        {"--net", address, "info", "erase"},
        {"--net", address, "--bogus", "info"},
        {"--net"},
        {"--net", address, "--baud", "115200", "info"},
        {"--serial", "COM3", "--baud", "12345", "info"},
        {"--serial", "COM30", "info"},
        {"--net", address, "--serial", "COM1", "info"},
        {"--net", address, "info", "--force"},
        {"--net", address, "update", "--image"},
        {"--net", address, "transmit", "--ip", "1234567890123456"},
        {"--net", address, "erase", "--ip", "1.2.3.4"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        SCOPED_TRACE(joined);
        const test::Run r = Cli_(args);
        EXPECT_EQ(r.exit, 2) << r.err;
        EXPECT_NE(r.err.find("usage: vexalink-cli"), std::string::npos);
    }
    EXPECT_EQ(received, 0);
    EXPECT_EQ(Cli_({"--help"}).exit, 0);
    EXPECT_EQ(Cli_({"--version"}).out, "vexalink-cli 1.6.0\n");
}

TEST_F(Cli, OverAPseudoTerminal) {
    test::SimProcess sim({"--pty", dir.File("tty"), "--flash", flash});
    const test::Run r = Cli_({"--serial", dir.File("tty"), "--baud", "57600", "info"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("Serial number: 41002731"), std::string::npos);
}

TEST_F(Cli, TwoProbesAtOnce) {
    const std::string second = test::SecondLoopbackAddress();
    const std::string flash2 = dir.File("flash2.bin");
    auto one = Sim({"--serial", "41000001"});
    test::SimProcess two({"--udp", second, "--flash", flash2, "--serial", "41000002"});
    const Bytes payload = test::FirmwarePayload(64 * 1024, 24);
    dir.Write("fw.srec", test::SRecordFile(payload, 0x100000, '3', 32));
    test::Run a, b;
    std::thread first([&] {
        a = Cli_({"--net", address, "--json", "update", "--image", dir.File("fw.srec")});
    });
    std::thread other([&] {
        b = Cli_({"--net", second, "--json", "update", "--image", dir.File("fw.srec")});
    });
    first.join();
    other.join();
    EXPECT_EQ(a.exit, 0) << a.out;
    EXPECT_EQ(b.exit, 0) << b.out;
    EXPECT_EQ(a.out.find("\"channel\":\"NETWORK " + second + "\""), std::string::npos);
    EXPECT_EQ(FlashAt(flash, 0x100000, 65536), FlashAt(flash2, 0x100000, 65536));
    EXPECT_EQ(FlashAt(flash2, 0x100004, 8), Bytes(payload.begin() + 4, payload.begin() + 12));
}
