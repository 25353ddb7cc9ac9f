#include "about/window_class.h"

#include "about/form_controls.h"
#include "about/frm_about.h"

namespace about {

HINSTANCE CodeModule() noexcept {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<const wchar_t*>(&CodeModule), &module);
    return module;
}

bool EnsureWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background) noexcept {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(CodeModule(), name, &existing)) {
        if (existing.lpfnWndProc == procedure) return true;
        UnregisterClassW(name, CodeModule());
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = CodeModule();
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass) != 0;
}

void UnregisterWindowClasses() noexcept {
    UnregisterClassW(frmAbout::kClassName, CodeModule());
    UnregisterClassW(PaintedControl::kClassName, CodeModule());
}

}  // namespace about
