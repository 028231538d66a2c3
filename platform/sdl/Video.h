// SDL's video subsystem, started on first use with the driver the headless
// switch asks for.
#pragma once

namespace Platform {

// Starts SDL video (and its event queue) once; false when SDL cannot start.
bool EnsureVideo();

}  // namespace Platform
