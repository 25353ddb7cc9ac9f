#include "about/window_class.h"

#include "about/form_controls.h"
#include "about/frm_about.h"
#include "ole/type_library.h"

namespace about {

bool EnsureWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background) noexcept {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(ole::CurrentModule(), name, &existing)) {
        if (existing.lpfnWndProc == procedure) return true;
        UnregisterClassW(name, ole::CurrentModule());
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ole::CurrentModule();
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass) != 0;
}

void UnregisterWindowClasses() noexcept {
    UnregisterClassW(frmAbout::kClassName, ole::CurrentModule());
    UnregisterClassW(PaintedControl::kClassName, ole::CurrentModule());
}

}  // namespace about
