#include "cli/reporter.h"

#include <unistd.h>

#include <cstdio>

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

Reporter::Reporter(bool json, std::string channel)
    : json_(json), channel_(std::move(channel)), terminal_(isatty(STDERR_FILENO) == 1) {}

Reporter::~Reporter() {
    EndProgressLine();
}

void Reporter::EndProgressLine() {
    if (progressOpen_) std::fputc('\n', stderr);
    progressOpen_ = false;
}

void Reporter::Json(const std::string& type,
                    const std::vector<std::pair<std::string, std::string>>& fields,
                    const std::vector<std::pair<std::string, long long>>& numbers) {
    std::string line = "{\"channel\":" + JsonString(channel_) + ",\"type\":" + JsonString(type);
    for (const auto& [key, value] : fields) line += "," + JsonString(key) + ":" + JsonString(value);
    for (const auto& [key, value] : numbers)
        line += "," + JsonString(key) + ":" + std::to_string(value);
    line += "}\n";
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

void Reporter::SetText(const std::string& text) {
    if (json_) return Json("status", {{"text", text}});
    EndProgressLine();
    std::fprintf(stderr, "%s\n", text.c_str());
}

void Reporter::SetProgress(const std::string& text, unsigned percent) {
    if (json_) return Json("progress", {{"text", text}}, {{"percent", percent}});
    if (!terminal_) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return;
    }
    std::fprintf(stderr, "\r%s\033[K", text.c_str());
    std::fflush(stderr);
    progressOpen_ = true;
}

void Reporter::Message(const std::string& text) {
    if (json_) return Json("message", {{"text", text}});
    EndProgressLine();
    std::fprintf(stderr, "%s\n", text.c_str());
}

void Reporter::Crc(uint16_t crc) {
    if (json_) return Json("crc", {}, {{"crc", crc}});
    std::printf("CRC: %u\n", static_cast<unsigned>(crc));
    std::fflush(stdout);
}

void Reporter::Note(const std::string& text) {
    if (json_) return Json("note", {{"text", text}});
    EndProgressLine();
    std::fprintf(stderr, "note: %s\n", text.c_str());
}

void Reporter::Values(const std::string& type,
                      const std::vector<std::pair<std::string, std::string>>& values) {
    if (json_) {
        std::vector<std::pair<std::string, std::string>> fields;
        for (const auto& [key, value] : values) {
            std::string name;
            for (char c : key) name += c == ' ' ? '_' : static_cast<char>(std::tolower(c));
            fields.emplace_back(name, value);
        }
        return Json(type, fields);
    }
    for (const auto& [key, value] : values) std::printf("%s: %s\n", key.c_str(), value.c_str());
    std::fflush(stdout);
}

void Reporter::Result(ResultCode code, int exitStatus, const std::vector<std::string>& advice) {
    const ResultInfo* info = FindResultInfo(code);
    const std::string name = info ? info->name : "Unknown";
    const std::string meaning = ResultMeaning(code);
    if (json_) {
        std::string joined;
        for (const std::string& a : advice) joined += (joined.empty() ? "" : " ") + a;
        return Json("result", {{"name", name}, {"meaning", meaning}, {"advice", joined}},
                    {{"code", code}, {"exit", exitStatus}});
    }
    EndProgressLine();
    if (code == kOk) return;
    for (const std::string& a : advice) std::fprintf(stderr, "%s\n", a.c_str());
    std::fprintf(stderr, "error: %d %s: %s\n", code, name.c_str(), meaning.c_str());
}
