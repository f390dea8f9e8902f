// The loader link: one process-wide channel to the probe's boot loader, over UDP or a
// serial line, carrying one request and its reply at a time.
#pragma once

#include <cstdint>

#include "common/result.h"

// Opens the channel that spec names ("NETWORK <address>", "COM3", "\\.\COM3 57600"),
// closing any open channel first.
ResultCode LinkOpen(const char* spec);

// Closes the open channel, if any. Always 0.
ResultCode LinkClose();

// Sends a request body of length bytes and waits for its reply; returns the reply body's
// length (its bytes at the start of reply) or a negative code. timeLimitMs is the
// command's own time limit, from which the per-attempt waits are derived.
int32_t LinkTransact(int32_t length, const uint8_t* request, int32_t capacity, uint8_t* reply,
                     uint32_t timeLimitMs);
