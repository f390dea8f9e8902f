// Writes the seed corpora into DIR/<target>/, from the tests' own generators.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "link/link_private.h"
#include "tests/images.h"

namespace {

void Put(const std::string& dir, const std::string& name, const std::string& bytes) {
    mkdir(dir.c_str(), 0755);
    if (FILE* f = std::fopen((dir + "/" + name).c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

std::string Frame(const std::vector<uint8_t>& message) {
    std::vector<uint8_t> f(2 * message.size() + 6);
    f.resize(BuildSerialFrame(message.data(), message.size(), f.data()));
    return {f.begin(), f.end()};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string root = argv[1];
    mkdir(root.c_str(), 0755);
    const auto data = test::RandomBytes(64, 3);

    Put(root + "/fuzz_srecord_line", "s1",
        test::SRecordLine('1', 0, {data.begin(), data.begin() + 16}));
    Put(root + "/fuzz_srecord_line", "s3", test::SRecordLine('3', 0x100000, {1, 2, 3}));
    Put(root + "/fuzz_srecord_line", "s0", test::SRecordLine('0', 0, {'h', 'd', 'r'}));
    Put(root + "/fuzz_srecord_file", "lf", test::SRecordFile(data, 0x100000, '3', 16));
    Put(root + "/fuzz_srecord_file", "crlf", test::SRecordFile(data, 0x1000, '1', 20, true));
    Put(root + "/fuzz_srecord_file", "s2", test::SRecordFile(data, 0x120000, '2', 7));

    Put(root + "/fuzz_config_image", "regs",
        std::string("[REGS]\n#3 FILE $a.def\nFILE \"b.def\"; c\0\0AAAA", 38));
    Put(root + "/fuzz_config_image", "plain", "[TARGET]\nX=1\n[REGS]\n\tFILE $b.def\n");

    Put(root + "/fuzz_serial_frame", "hello", Frame({0x00, 0x01, 0x01}));
    Put(root + "/fuzz_serial_frame", "dle",
        "\x05\x55" + Frame({0x10, 0x01, 0x72}) + Frame({0x12, 0x02}));
    const std::vector<uint8_t> reply = {0x00, 0x07, 'e', 0, 0, 0, 1, 0, 0};
    Put(root + "/fuzz_transact", "reply", std::string("\xff", 1) + Frame(reply));
    Put(root + "/fuzz_transact", "hold",
        std::string("\x10", 1) + Frame({0x08, 0x01, 0x00}) + Frame(reply));

    Put(root + "/fuzz_ipv4", "a", "192.168.0.99");
    Put(root + "/fuzz_ipv4", "b", "1..2.3");
    Put(root + "/fuzz_channel_spec", "com", "\\\\.\\COM3 57600");
    Put(root + "/fuzz_channel_spec", "net", "NETWORK 127.0.0.1 x");
    return 0;
}
