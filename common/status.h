#pragma once

#include <cstdint>
#include <string>

// The one-line status text that long procedures write their progress and outcome into.
// The dialog shows it in its StatusLine control; the command line prints it.
class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void SetText(const std::string& text) = 0;
    // Progress texts also come with their figures, for front ends that draw them apart.
    virtual void SetProgress(const std::string& text, unsigned percent) {
        (void)percent;
        SetText(text);
    }
};

// Sets format (which holds "%u" followed by "%%") with done * 100 / total into the status
// line, unless that percentage is the one shown last by any caller.
void ShowProgress(const char* format, StatusLine& status, uint32_t total, uint32_t done);
