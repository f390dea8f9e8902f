#include "common/status.h"

#include <cstdio>

namespace {
// Process-wide and never reset: an operation whose first percentage equals the last one
// shown by an earlier operation skips that text.
uint16_t g_shownPercent = 0;
}  // namespace

void ShowProgress(const char* format, StatusLine& status, uint32_t total, uint32_t done) {
    // 64-bit product: a 32-bit one wraps for totals above about 42 MB.
    const uint64_t percent64 = total == 0 ? 100 : uint64_t{done} * 100 / total;
    const auto percent = static_cast<uint16_t>(percent64);
    if (percent == g_shownPercent) return;
    g_shownPercent = percent;
    char text[80];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(percent));
    status.SetProgress(text, percent);
}
