#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// A file read as text-mode reading on the loader's home platform delivers it: CR LF comes
// as one LF, lines of at most 519 characters with their LF (longer ones in pieces).
class TextFile {
public:
    static constexpr int kLineChars = 519;

    explicit TextFile(const std::string& path);
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    bool is_open() const { return file_ != nullptr; }
    // Reads the next line into line (NUL-terminated, kLineChars + 1 bytes). false at the
    // end of the file or on a read error; failed() tells which.
    bool ReadLine(char* line);
    bool failed() const { return failed_; }
    uint32_t Size() const { return size_; }
    uint32_t Position() const;  // bytes of the file consumed so far
    void Rewind();

private:
    FILE* file_ = nullptr;
    uint32_t size_ = 0;
    bool failed_ = false;
};
