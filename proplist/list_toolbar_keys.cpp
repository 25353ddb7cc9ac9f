#include "proplist/list_view.h"

#include "ole/hresult.h"
#include "proplist/list_view_support.h"

#include <commctrl.h>

// The toolbar from the keyboard. Tab goes from the last row to the toggles, the search box and
// round to the rows again; Shift+Tab goes the other way. While the focus is in the toolbar the
// list keeps Tab, as it does in the rows, so a host's form never takes it half-way round.
namespace proplist {

using namespace view_support;

namespace {

constexpr UINT_PTR kToggleKeysSubclass = 6;

}  // namespace

void ListView::HookToolbarKeys() noexcept {
    for (LONG order = kObjectOrder; order <= kCategorizedOrder; ++order) {
        if (HWND toggle = toolbar_.OrderButton(order)) {
            SetWindowSubclass(toggle, &ListView::ToggleKeyProcedure, kToggleKeysSubclass,
                              reinterpret_cast<DWORD_PTR>(this));
        }
    }
}

bool ListView::TabLeavesRows(bool backwards) noexcept {
    const size_t count = rows_.Count();
    const size_t edge = backwards ? 0 : count - 1;
    if (count != 0 && rows_.Selected() != edge) return false;
    HWND next = toolbar_.NextStop(window_, backwards);
    if (!next) return false;
    SetFocus(next);
    return true;
}

void ListView::TabFromToolbar(HWND from, bool backwards) noexcept {
    if (HWND next = toolbar_.NextStop(from, backwards)) SetFocus(next);
}

LRESULT CALLBACK ListView::ToggleKeyProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR self) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &ListView::ToggleKeyProcedure, kToggleKeysSubclass);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS | DefSubclassProc(window, message, wParam, lParam);
    const bool ours = wParam == VK_TAB || wParam == VK_SPACE || wParam == VK_RETURN;
    if (message != WM_KEYDOWN || !ours) return DefSubclassProc(window, message, wParam, lParam);
    auto* view = reinterpret_cast<ListView*>(self);
    // A handler of the events raised here may let go of the control.
    const ole::ComPtr<IUnknown> lifeline(view->host_.Lifeline());
    ole::Guarded([&] {
        if (wParam == VK_TAB) view->TabFromToolbar(window, (ShiftState() & 1) != 0);
        else if (view->host_.IsEnabled()) view->SetViewOrder(view->toolbar_.OrderOf(window));
        return S_OK;
    });
    return 0;
}

}  // namespace proplist
