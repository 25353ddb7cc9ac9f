#include "proplist/list_view.h"

#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/hresult.h"
#include "ole/type_library.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"

#include <commctrl.h>

#include <algorithm>

// Which items are rows, in what order: the visible items, narrowed by the filter the user typed
// (a part of the name, in any case) and, when asked, sorted by name.
namespace proplist {

using namespace view_support;

namespace {

constexpr UINT_PTR kFilterSubclass = 3;

std::wstring Lowered(std::wstring_view text) {
    std::wstring lowered(text);
    if (!lowered.empty()) CharLowerBuffW(lowered.data(), static_cast<DWORD>(lowered.size()));
    return lowered;
}

}  // namespace

const std::vector<size_t>& ListView::Rows() noexcept {
    if (!rowsStale_) return rows_;
    rowsStale_ = false;
    // A message under a row would cover whatever row comes there now.
    HideMessage();
    PropertyItems& items = host_.Items();
    rows_.clear();
    selectedRow_ = kNone;
    ole::Guarded([&] {
        rows_.reserve(items.Size());
        const std::wstring wanted = Lowered(filter_);
        for (size_t i = 0; i < items.Size(); ++i) {
            const PropertyItem& item = items.At(i);
            if (!item.IsVisible()) continue;
            if (!wanted.empty() && Lowered(item.Description().name).find(wanted) == std::wstring::npos) continue;
            rows_.push_back(i);
        }
        if (alphabetical_) {
            std::stable_sort(rows_.begin(), rows_.end(), [&](size_t left, size_t right) {
                return lstrcmpiW(items.At(left).Description().name.c_str(),
                                 items.At(right).Description().name.c_str()) < 0;
            });
        }
        for (size_t row = 0; row < rows_.size() && selectedItem_; ++row) {
            if (&items.At(rows_[row]) == selectedItem_) {
                selectedRow_ = row;
                break;
            }
        }
        return S_OK;
    });
    if (selectedRow_ == kNone) selectedItem_ = nullptr;
    if (top_ >= rows_.size()) top_ = rows_.empty() ? 0 : rows_.size() - 1;
    NotifyAccessibility(EVENT_OBJECT_REORDER, kNone);
    return rows_;
}

int ListView::RowsTop() noexcept { return filterBox_ ? RowHeight() + 2 : 0; }

size_t ListView::RowAt(int y) noexcept {
    if (y < RowsTop()) return kNone;
    const size_t row = top_ + static_cast<size_t>((y - RowsTop()) / RowHeight());
    return row < Rows().size() ? row : kNone;
}

void ListView::OpenFilter() noexcept {
    if (!window_) return;
    if (filterBox_) {
        SetFocus(filterBox_);
        return;
    }
    if (editor_ && !CommitEdit()) return;
    RECT client{};
    GetClientRect(window_, &client);
    filterBox_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", filter_.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
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
    if (!filter_.empty()) {
        filter_.clear();
        rowsStale_ = true;
        const ole::Bstr cleared(filter_);
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
    if (typed == filter_) return;
    if (editor_) AbandonEdit();
    filter_ = std::move(typed);
    rowsStale_ = true;
    top_ = 0;
    Rows();
    EnsureVisible(selectedRow_);
    UpdateScrollBar();
    Invalidate();
    const ole::Bstr filter(filter_);
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
            if (view->selectedRow_ == kNone) view->Select(0);
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
