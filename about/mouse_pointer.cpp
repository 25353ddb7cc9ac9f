#include "about/mouse_pointer.h"

namespace about {

namespace {
// Windows live on the one user-interface thread, so the override is per process.
HCURSOR g_override = nullptr;
}  // namespace

void SetMousePointer(HCURSOR cursor) noexcept { g_override = cursor; }

HCURSOR MousePointer() noexcept { return g_override; }

bool ApplyMousePointer() noexcept {
    if (!g_override) return false;
    SetCursor(g_override);
    return true;
}

}  // namespace about
