#include "proplist/list_view.h"

#include "ole/arguments.h"
#include "ole/bstr.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"
#include "proplist/value_text.h"

#include <cstring>

// What the user asks of the list through its context menu or the keyboard's shortcuts: refresh,
// copy, paste and reset the selected value, ask for help, sort by name.
namespace proplist {

using namespace view_support;

namespace {

bool PutOnClipboard(HWND owner, const std::wstring& text) noexcept {
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool placed = false;
    if (memory) {
        if (void* target = GlobalLock(memory)) {
            std::memcpy(target, text.c_str(), bytes);
            GlobalUnlock(memory);
            placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
        if (!placed) GlobalFree(memory);  // the clipboard owns it only once it is placed
    }
    CloseClipboard();
    return placed;
}

bool TakeFromClipboard(HWND owner, std::wstring& text) noexcept {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner)) return false;
    bool found = false;
    if (HANDLE memory = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* source = static_cast<const wchar_t*>(GlobalLock(memory))) {
            const size_t limit = GlobalSize(memory) / sizeof(wchar_t);
            text.assign(source, wcsnlen(source, limit));
            GlobalUnlock(memory);
            found = true;
        }
    }
    CloseClipboard();
    return found;
}

}  // namespace

void ListView::OnContextMenu(int x, int y) noexcept {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    POINT at{x, y};
    if (x == -1 && y == -1) {
        at = {0, 0};  // from the keyboard
        ClientToScreen(window_, &at);
    }
    POINT inside = at;
    ScreenToClient(window_, &inside);
    const VARIANT arguments[] = {ole::FloatArgument(static_cast<float>(inside.x)),
                                 ole::FloatArgument(static_cast<float>(inside.y)), ole::BooleanReference(&cancel)};
    host_.Raise(events::kContextMenu, arguments);
    if (cancel) return;
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    const PropertyItem* item = Selected();
    const bool editable = item && host_.IsEnabled() && !item->Description().readOnly &&
                          item->Description().style != kStyleCustom;
    const auto enabledIf = [](bool on) { return MF_STRING | (on ? MF_ENABLED : MF_GRAYED); };
    AppendMenuW(menu, MF_STRING, kCommandRefresh, L"&Refresh");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, enabledIf(item != nullptr), kCommandCopy, L"&Copy\tCtrl+C");
    AppendMenuW(menu, enabledIf(editable && IsClipboardFormatAvailable(CF_UNICODETEXT)), kCommandPaste,
                L"&Paste\tCtrl+V");
    AppendMenuW(menu, enabledIf(editable && item->CanReset()), kCommandReset, L"R&eset");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | (rows_.Alphabetical() ? MF_CHECKED : MF_UNCHECKED), kCommandSortAlphabetically,
                L"&Sort by Name");
    AppendMenuW(menu, MF_STRING, kCommandFilter, L"&Filter...\tCtrl+F");
    AppendMenuW(menu, MF_STRING | (pane_.Visible() ? MF_CHECKED : MF_UNCHECKED), kCommandDescription,
                L"&Description");
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, window_, nullptr));
    DestroyMenu(menu);
    if (chosen != 0) OnCommand(chosen);
}

void ListView::OnCommand(UINT command) noexcept {
    switch (command) {
    case kCommandRefresh: host_.Raise(events::kRequestRefresh); break;
    case kCommandCopy: CopySelected(); break;
    case kCommandPaste: PasteIntoSelected(); break;
    case kCommandReset: ResetSelected(); break;
    case kCommandSortAlphabetically: ToggleSortOrder(); break;
    case kCommandFilter: OpenFilter(); break;
    case kCommandDescription: ToggleDescription(); break;
    default: break;
    }
}

void ListView::CopySelected() noexcept {
    PropertyItem* item = Selected();
    if (!item) return;
    const ole::ComPtr<PropertyItem> held(item);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item)), ole::BooleanReference(&cancel)};
    host_.Raise(events::kCopyValue, arguments);
    if (cancel) return;
    if (!PutOnClipboard(window_, FormatValue(item->Description(), item->CurrentValue()))) MessageBeep(MB_OK);
}

void ListView::PasteIntoSelected() noexcept {
    const ole::ComPtr<PropertyItem> item(Selected());
    if (!item || !host_.IsEnabled()) return;
    if (item->Description().readOnly || item->Description().style == kStyleCustom) {
        if (item->Description().readOnly) {
            const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item.Get()))};
            host_.Raise(events::kReadOnlyEditAttempt, arguments);
        }
        MessageBeep(MB_OK);
        return;
    }
    std::wstring pasted;
    if (!TakeFromClipboard(window_, pasted)) {
        MessageBeep(MB_OK);
        return;
    }
    if (!CommitEdit()) return;
    ole::Bstr text(pasted);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item.Get())), ole::TextReference(text.InOut()),
                                 ole::BooleanReference(&cancel)};
    host_.Raise(events::kPasteValue, arguments);
    // A handler may have taken the item out of the list.
    if (cancel || item.Get() != Selected()) return;
    ole::Variant value;
    const std::wstring given(text.View());
    if (given == FormatValue(item->Description(), item->CurrentValue())) return;
    if (!editor_.AcceptText(*item.Get(), given, value) || item.Get() != Selected()) return;
    if (FAILED(item->StoreEditedValue(value.Get()))) return;
    editor_.RaiseItemChanged(*item.Get());
}

void ListView::ResetSelected() noexcept {
    const ole::ComPtr<PropertyItem> item(Selected());
    if (!item || !item->CanReset() || !host_.IsEnabled()) return;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    const VARIANT arguments[] = {ole::ObjectArgument(AsDispatch(item.Get())), ole::BooleanReference(&cancel)};
    host_.Raise(events::kResetValue, arguments);
    if (cancel || !item->CanReset()) return;
    if (editor_.IsOpen()) AbandonEdit();
    if (FAILED(item->StoreEditedValue(item->ValueBeforeEdits()))) return;
    editor_.RaiseItemChanged(*item.Get());
}

void ListView::RequestHelp() noexcept {
    PropertyItem* item = Selected();
    const VARIANT arguments[] = {ole::ObjectArgument(item ? AsDispatch(item) : nullptr)};
    host_.Raise(events::kHelpRequested, arguments);
}

void ListView::ToggleSortOrder() noexcept {
    if (!CommitEdit()) return;
    SetViewOrder(rows_.Alphabetical() ? kObjectOrder : kAlphabeticalOrder);
}

}  // namespace proplist
