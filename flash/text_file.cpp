#include "flash/text_file.h"

#include <filesystem>

TextFile::TextFile(const std::string& path) {
    std::error_code error;
    // Only a regular file is an image; a directory would open and then fail every read.
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return;
    file_ = std::fopen(path.c_str(), "rb");
    size_ = size > 0xFFFFFFFF ? 0xFFFFFFFF : static_cast<uint32_t>(size);
}

TextFile::~TextFile() {
    if (file_) std::fclose(file_);
}

bool TextFile::ReadLine(char* line) {
    int n = 0;
    while (n < kLineChars) {
        int c = getc_unlocked(file_);
        if (c == EOF) break;
        if (c == '\r') {
            const int next = getc_unlocked(file_);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                ungetc(next, file_);
            }
        }
        line[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    line[n] = '\0';
    if (std::ferror(file_)) {
        failed_ = true;
        return false;
    }
    return n > 0;
}

uint32_t TextFile::Position() const {
    const long p = std::ftell(file_);
    return p < 0 ? 0 : static_cast<uint32_t>(p);
}

void TextFile::Rewind() {
    std::rewind(file_);
    failed_ = false;
}
