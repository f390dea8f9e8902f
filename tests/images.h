// Firmware images for the tests: payloads with a valid header, and their S-record text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test {

// size bytes for the firmware area: a header valid for them, then seeded random bytes.
std::vector<uint8_t> FirmwarePayload(size_t size, uint32_t seed);
std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed);

// One S-record line (with its line feed) with the right count and checksum.
std::string SRecordLine(char type, uint32_t address, const std::vector<uint8_t>& data);
// A whole file: S0 header, data records of perLine bytes of the given type, end record.
std::string SRecordFile(const std::vector<uint8_t>& data, uint32_t address, char type = '3',
                        size_t perLine = 32, bool crlf = false);

// text grown to exactly size bytes with blanks in front of its records (which the reader
// passes over), a few hundred a line so that no line grows past what a line may hold.
std::string PadToSize(const std::string& text, size_t size);

}  // namespace test
