#pragma once

#include <cstdint>
#include <functional>

// The millisecond tick counter the waits measure time with. It wraps around
// at 2^32 like the counter the tool was designed against, so every elapsed
// time must be computed as an unsigned 32-bit difference. Tests replace the
// source to reach the wrap-around without waiting 49 days.
uint32_t GetTickCount();

using TTickSource = std::function<uint32_t()>;

// Installs a replacement source; an empty function restores the steady clock.
void SetTickSource(TTickSource source);
