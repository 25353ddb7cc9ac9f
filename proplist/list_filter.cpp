#include "proplist/list_view.h"

#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/hresult.h"
#include "ole/type_library.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"

#include <commctrl.h>


// The filter box above the rows: what the user types there narrows the rows to the names that
// contain it; Esc closes it and every row shows again.
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

int ListView::RowsTop() noexcept { return filterBox_ ? RowHeight() + 2 : 0; }

size_t ListView::RowAt(int y) noexcept {
    if (y < RowsTop()) return kNone;
    const size_t row = rows_.Top() + static_cast<size_t>((y - RowsTop()) / RowHeight());
    return row < rows_.Count() ? row : kNone;
}

void ListView::OpenFilter() noexcept {
    if (!window_) return;
    if (filterBox_) {
        SetFocus(filterBox_);
        return;
    }
    if (!CommitEdit()) return;
    RECT client{};
    GetClientRect(window_, &client);
    filterBox_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", rows_.Filter().c_str(),
                                 WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
                                 0, 0, client.right, RowHeight() + 2, window_, nullptr, ole::CurrentModule(), nullptr);
    if (!filterBox_) return;
    SendMessageW(filterBox_, WM_SETFONT, reinterpret_cast<WPARAM>(host_.Font()), FALSE);
    SendMessageW(filterBox_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"Filter by name"));
    SetWindowSubclass(filterBox_, &ListView::FilterBoxProcedure, kFilterSubclass, reinterpret_cast<DWORD_PTR>(this));
    UpdateScrollBar();
    Invalidate();
    SetFocus(filterBox_);
}

void ListView::CloseFilter() noexcept {
    if (!filterBox_) return;
    HWND box = std::exchange(filterBox_, nullptr);
    DestroyWindow(box);
    if (rows_.SetFilter({})) {
        const ole::Bstr cleared(rows_.Filter());
        const VARIANT arguments[] = {ole::TextArgument(cleared.Get())};
        host_.Raise(events::kFilterChanged, arguments);
    }
    if (window_) SetFocus(window_);
    UpdateScrollBar();
    Invalidate();
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
    if (message == WM_CHAR && (wParam == L'\r' || wParam == 27)) return 0;  // would only beep
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
        default: break;
        }
        return S_OK;
    });
    return wParam == VK_ESCAPE || wParam == VK_RETURN || wParam == VK_DOWN
               ? 0
               : DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace proplist
