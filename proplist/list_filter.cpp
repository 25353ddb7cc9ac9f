#include "proplist/list_view.h"

#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/hresult.h"
#include "ole/type_library.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"

#include <commctrl.h>

#include <algorithm>


// The search box above the rows: what the user types there narrows the rows to the names that
// contain it; Esc clears it and every row shows again.
namespace proplist {

using namespace view_support;

namespace {

constexpr UINT_PTR kFilterSubclass = 3;

}  // namespace

void ListView::RowsRebuilt() noexcept {
    // A message under a row would cover whatever row comes there now.
    editor_.HideMessage();
    NotifyAccessibility(EVENT_OBJECT_REORDER, kNone);
}

int ListView::RowsTop() noexcept { return 0; }

size_t ListView::RowAt(int y) noexcept {
    if (y < RowsTop()) return kNone;
    const size_t row = rows_.Top() + static_cast<size_t>((y - RowsTop()) / RowHeight());
    return row < rows_.Count() ? row : kNone;
}

void ListView::CreateToolbar(HWND parent) noexcept {
    if (FAILED(toolbar_.Create(parent, window_, host_.Font()))) return;
    filterBox_ = toolbar_.SearchBox();
    SetWindowSubclass(filterBox_, &ListView::FilterBoxProcedure, kFilterSubclass, reinterpret_cast<DWORD_PTR>(this));
    HookToolbarKeys();
    ShowViewOrder();
}

void ListView::LayOut(const RECT& area) noexcept {
    const int strip = toolbar_.Window() ? std::min(RowHeight() + 4, static_cast<int>(area.bottom - area.top)) : 0;
    toolbar_.Place(area, strip);
    if (window_) {
        MoveWindow(window_, area.left, area.top + strip, area.right - area.left, area.bottom - area.top - strip, TRUE);
    }
}

void ListView::OpenFilter() noexcept {
    if (filterBox_) SetFocus(filterBox_);
}

void ListView::CloseFilter() noexcept {
    // Clearing the box shows every row again, as typing into it does.
    if (filterBox_) SetWindowTextW(filterBox_, L"");
    if (window_) SetFocus(window_);
}

void ListView::FilterTyped() noexcept {
    if (!filterBox_) return;
    std::wstring typed = WindowText(filterBox_);
    if (typed == rows_.Filter()) return;
    if (editor_.IsOpen()) AbandonEdit();
    rows_.SetFilter(std::move(typed));
    EnsureVisible(rows_.Selected());
    UpdateScrollBar();
    Invalidate();
    const ole::Bstr filter(rows_.Filter());
    const VARIANT arguments[] = {ole::TextArgument(filter.Get())};
    host_.Raise(events::kFilterChanged, arguments);
}

LRESULT CALLBACK ListView::FilterBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR self) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &ListView::FilterBoxProcedure, kFilterSubclass);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    auto* view = reinterpret_cast<ListView*>(self);
    if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS | DefSubclassProc(window, message, wParam, lParam);
    if (message == WM_CHAR && (wParam == L'\r' || wParam == L'\t' || wParam == 27)) return 0;  // would only beep
    if (message != WM_KEYDOWN && message != WM_KILLFOCUS) return DefSubclassProc(window, message, wParam, lParam);
    // A handler of the events raised here may let go of the control.
    const ole::ComPtr<IUnknown> lifeline(view->host_.Lifeline());
    if (message == WM_KILLFOCUS) {
        ole::Guarded([&] {
            view->FocusLeaving(reinterpret_cast<HWND>(wParam));
            return S_OK;
        });
        return DefSubclassProc(window, message, wParam, lParam);
    }
    ole::Guarded([&] {
        switch (wParam) {
        case VK_ESCAPE:
            // Esc ends the filtering: every item shows again.
            view->CloseFilter();
            break;
        case VK_RETURN:
        case VK_DOWN:
            // On to the rows that are left, keeping the filter.
            if (view->rows_.Selected() == kNone) view->Select(0);
            if (view->window_) SetFocus(view->window_);
            break;
        case VK_TAB: view->TabFromToolbar(window, (ShiftState() & 1) != 0); break;
        default: break;
        }
        return S_OK;
    });
    return wParam == VK_ESCAPE || wParam == VK_RETURN || wParam == VK_DOWN || wParam == VK_TAB
               ? 0
               : DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace proplist
