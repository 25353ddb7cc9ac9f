#pragma once

#include "demo/control_host.h"

#include <windows.h>

#include <functional>
#include <string>

namespace demo {

enum DemoCommand : WORD {
    kCommandRefresh = 100,
    kCommandHideReadOnly,
    kCommandHideCustom,
    kCommandAutoWrite,
    kCommandAbout,
    kCommandExit,
};

// The demo's main window: the container's site fills its client area, and its menu and keys
// (F5, Ctrl+R, Ctrl+U, Ctrl+W, F1) drive the control that the host placed on the site.
class DemoWindow {
public:
    // `endsMessageLoop`: closing the window posts WM_QUIT, as the program's only window does.
    DemoWindow(InspectaHost& host, EventPrinter printer, bool endsMessageLoop) noexcept
        : host_(host), printer_(std::move(printer)), endsMessageLoop_(endsMessageLoop) {}
    DemoWindow(const DemoWindow&) = delete;
    DemoWindow& operator=(const DemoWindow&) = delete;
    ~DemoWindow();

    HRESULT Create(const std::wstring& title, SIZE size) noexcept;
    HWND Window() const noexcept { return window_; }
    HWND Site() const noexcept { return site_; }
    HACCEL Accelerators() const noexcept { return accelerators_; }

    // Puts check marks on the options as the control has them now.
    void ShowOptions() noexcept;
    bool IsChecked(WORD command) const noexcept;
    void Run(WORD command) noexcept;
    // Calls `tick` once a second while the window lives.
    HRESULT StartClock(std::function<void()> tick) noexcept;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void SetCheck(WORD command, bool checked) noexcept;

    InspectaHost& host_;
    EventPrinter printer_;
    bool endsMessageLoop_;
    HWND window_ = nullptr;
    HWND site_ = nullptr;
    HACCEL accelerators_ = nullptr;
    std::function<void()> tick_;
};

}  // namespace demo
