#pragma once

#include <cstdint>

// Waits ms milliseconds on the steady clock, asleep rather than spinning.
void Delay(uint32_t ms);
