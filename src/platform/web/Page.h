#pragma once
// The page the game runs in: what the browser's entry needs beyond the
// platform calls every build shares.

#include <cstddef>
#include <cstdio>

namespace ruzoz::web {

// Calls `step` once at each display refresh, after the clock has been set
// to that refresh's time, until it returns false. Returns at once: the
// browser calls back.
void RunEachRefresh(bool (*step)());

// The page saves the recording from here: the memory stream `file` writes
// into, its text at `*text`, `*size` bytes long.
void KeepRecording(std::FILE *file, char **text, std::size_t *size);

} // namespace ruzoz::web
