#pragma once

#include <windows.h>

#include <functional>
#include <utility>

namespace support {

// Runs an action from inside a modal loop: Post() queues it, and the loop that next dispatches
// the thread's messages runs it, after whatever was queued before (a window's showing, say).
class WhenShown {
public:
    explicit WhenShown(std::function<void()> action) : action_(std::move(action)) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"InspectaTestWhenShown";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    WhenShown(const WhenShown&) = delete;
    WhenShown& operator=(const WhenShown&) = delete;
    ~WhenShown() { DestroyWindow(window_); }

    void Post() const { PostMessageW(window_, WM_APP, 0, 0); }
    int Runs() const { return runs_; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<WhenShown*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_APP && self) {
            ++self->runs_;
            self->action_();
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    std::function<void()> action_;
    HWND window_ = nullptr;
    int runs_ = 0;
};

}  // namespace support
