#include "common/delay.h"

#include <chrono>
#include <thread>

void Delay(uint32_t ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    // sleep_until may wake early on a signal; keep going until the time has really passed.
    while (std::chrono::steady_clock::now() < until) std::this_thread::sleep_until(until);
}
