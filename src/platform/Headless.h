#pragma once

namespace ruzoz::platform {

// Selects SDL's dummy video and audio drivers, so that the real start-up
// runs with no window and no sound (replay tool, tests).
void UseHeadlessDrivers();

} // namespace ruzoz::platform
