#pragma once
// The page the game runs in: what the browser's entry needs beyond the
// platform calls every build shares.

namespace ruzoz::web {

// Calls `step` once at each display refresh, after the clock has been set
// to that refresh's time, until it returns false. Returns at once: the
// browser calls back.
void RunEachRefresh(bool (*step)());

} // namespace ruzoz::web
