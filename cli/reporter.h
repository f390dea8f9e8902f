// How vexalink-cli speaks: status texts on stderr (progress redrawn in place on a
// terminal), or everything as JSON Lines on stdout, each object naming its channel.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/result.h"
#include "common/status.h"

class Reporter final : public StatusLine {
public:
    Reporter(bool json, std::string channel);
    ~Reporter() override;

    void SetText(const std::string& text) override;
    void SetProgress(const std::string& text, unsigned percent) override;

    // A message the dialog would show in a box.
    void Message(const std::string& text);
    // Values for stdout: "Key: value" lines, or one object of the given type.
    void Values(const std::string& type,
                const std::vector<std::pair<std::string, std::string>>& values);
    // The last word: nothing more for success, the code and its meaning otherwise.
    void Result(ResultCode code, int exitStatus, const std::vector<std::string>& advice = {});
    void Note(const std::string& text);
    void Crc(uint16_t crc);

private:
    void EndProgressLine();
    void Json(const std::string& type,
              const std::vector<std::pair<std::string, std::string>>& fields,
              const std::vector<std::pair<std::string, long long>>& numbers = {});

    bool json_;
    std::string channel_;
    bool terminal_;
    bool progressOpen_ = false;
};

std::string JsonString(const std::string& text);
