#include "proplist/list_accessible.h"

#include "ole/com_ptr.h"
#include "ole/hresult.h"
#include "proplist/list_view.h"
#include "proplist/value_text.h"

namespace proplist {

namespace {

// The list itself, as Resolve reports it.
constexpr size_t kSelf = static_cast<size_t>(-1);

HRESULT TextOut(const std::wstring& text, BSTR* out) noexcept {
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

VARIANT ChildId(size_t row) noexcept {
    VARIANT id;
    V_VT(&id) = VT_I4;
    V_I4(&id) = row == kSelf ? CHILDID_SELF : static_cast<LONG>(row + 1);
    return id;
}

}  // namespace

std::span<const ole::InterfaceEntry> ListAccessible::InterfaceTable() noexcept {
    static constexpr ole::InterfaceEntry table[] = {
        ole::Implements<ListAccessible, IAccessible>(),
        ole::Implements<ListAccessible, IDispatch, IAccessible>(),
    };
    return table;
}

HRESULT ListAccessible::Resolve(const VARIANT& child, size_t& row) const noexcept {
    row = kSelf;
    if (!view_ || !view_->Window()) return CO_E_OBJNOTCONNECTED;
    if (V_VT(&child) != VT_I4) return E_INVALIDARG;
    if (V_I4(&child) == CHILDID_SELF) return S_OK;
    if (V_I4(&child) < 0 || static_cast<size_t>(V_I4(&child)) > view_->rows_.Count()) return E_INVALIDARG;
    row = static_cast<size_t>(V_I4(&child)) - 1;
    return S_OK;
}

HRESULT ListAccessible::NoText(const VARIANT& child, BSTR* text) const noexcept {
    if (!text) return E_POINTER;
    *text = nullptr;
    size_t row = kSelf;
    RETURN_IF_FAILED(Resolve(child, row));
    return S_FALSE;
}

HRESULT ListAccessible::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT ListAccessible::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT ListAccessible::get_accParent(IDispatch** parent) {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!view_ || !view_->Window()) return CO_E_OBJNOTCONNECTED;
    // The window's frame (title, borders, scroll bar) is the platform's to describe.
    return AccessibleObjectFromWindow(view_->Window(), static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                      reinterpret_cast<void**>(parent));
}

HRESULT ListAccessible::get_accChildCount(LONG* count) {
    if (!count) return E_POINTER;
    *count = 0;
    if (!view_ || !view_->Window()) return CO_E_OBJNOTCONNECTED;
    *count = static_cast<LONG>(view_->rows_.Count());
    return S_OK;
}

HRESULT ListAccessible::get_accChild(VARIANT child, IDispatch** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    size_t row = kSelf;
    RETURN_IF_FAILED(Resolve(child, row));
    // Rows are simple elements: their parent answers for them.
    return S_FALSE;
}

HRESULT ListAccessible::get_accName(VARIANT child, BSTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    size_t row = kSelf;
    RETURN_IF_FAILED(Resolve(child, row));
    if (row == kSelf) return TextOut(L"Properties", name);
    if (const RowGroup* header = view_->rows_.HeaderAt(row)) return TextOut(*header->name, name);
    return TextOut(view_->ItemAtRow(row)->Description().name, name);
}

HRESULT ListAccessible::get_accValue(VARIANT child, BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    size_t row = kSelf;
    RETURN_IF_FAILED(Resolve(child, row));
    if (row == kSelf || !view_->ItemAtRow(row)) return S_FALSE;
    const PropertyItem& item = *view_->ItemAtRow(row);
    return ole::Guarded([&] { return TextOut(FormatValue(item.Description(), item.CurrentValue()), value); });
}

HRESULT ListAccessible::get_accDescription(VARIANT child, BSTR* description) {
    if (!description) return E_POINTER;
    *description = nullptr;
    size_t row = kSelf;
    RETURN_IF_FAILED(Resolve(child, row));
    const PropertyItem* item = row == kSelf ? nullptr : view_->ItemAtRow(row);
    if (!item) return S_FALSE;
    // What the description pane says of the row's property.
    return ole::Guarded([&] {
        const std::wstring body = DescribeProperty(*item).Body();
        return body.empty() ? S_FALSE : TextOut(body, description);
    });
}

HRESULT ListAccessible::get_accRole(VARIANT child, VARIANT* role) {
    if (!role) return E_POINTER;
    VariantInit(role);
    size_t row = kSelf;
    RETURN_IF_FAILED(Resolve(child, row));
    V_VT(role) = VT_I4;
    V_I4(role) = row == kSelf                      ? ROLE_SYSTEM_LIST
                 : view_->rows_.HeaderAt(row) ? ROLE_SYSTEM_OUTLINEITEM
                                              : ROLE_SYSTEM_LISTITEM;
    return S_OK;
}

HRESULT ListAccessible::get_accState(VARIANT child, VARIANT* state) {
    if (!state) return E_POINTER;
    VariantInit(state);
    size_t row = kSelf;
    RETURN_IF_FAILED(Resolve(child, row));
    HWND window = view_->Window();
    const bool focused = GetFocus() == window;
    LONG flags = STATE_SYSTEM_FOCUSABLE;
    if (!view_->host_.IsEnabled()) flags |= STATE_SYSTEM_UNAVAILABLE;
    if (row == kSelf) {
        if (focused) flags |= STATE_SYSTEM_FOCUSED;
    } else {
        flags |= STATE_SYSTEM_SELECTABLE;
        if (row == view_->rows_.Selected()) flags |= focused ? STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED
                                                         : STATE_SYSTEM_SELECTED;
        if (const RowGroup* header = view_->rows_.HeaderAt(row)) {
            flags |= header->expanded ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED;
        } else {
            if (view_->ItemAtRow(row)->Description().readOnly) flags |= STATE_SYSTEM_READONLY;
            flags |= view_->ExpansionState(row);
        }
        const size_t top = view_->rows_.Top();
        if (row < top || row >= top + view_->RowsPerPage()) flags |= STATE_SYSTEM_OFFSCREEN;
    }
    V_VT(state) = VT_I4;
    V_I4(state) = flags;
    return S_OK;
}

HRESULT ListAccessible::get_accHelp(VARIANT child, BSTR* help) { return NoText(child, help); }

HRESULT ListAccessible::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) {
    if (!file || !topic) return E_POINTER;
    *file = nullptr;
    *topic = 0;
    size_t row = kSelf;
    RETURN_IF_FAILED(Resolve(child, row));
    return S_FALSE;
}

HRESULT ListAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) { return NoText(child, shortcut); }

HRESULT ListAccessible::get_accFocus(VARIANT* focus) {
    if (!focus) return E_POINTER;
    VariantInit(focus);
    if (!view_ || !view_->Window()) return CO_E_OBJNOTCONNECTED;
    if (GetFocus() != view_->Window()) return S_FALSE;
    const size_t selected = view_->rows_.Selected();
    *focus = ChildId(selected == ListView::kNone ? kSelf : selected);
    return S_OK;
}

HRESULT ListAccessible::get_accSelection(VARIANT* selection) {
    if (!selection) return E_POINTER;
    VariantInit(selection);
    if (!view_ || !view_->Window()) return CO_E_OBJNOTCONNECTED;
    const size_t selected = view_->rows_.Selected();
    if (selected == ListView::kNone) return S_FALSE;
    *selection = ChildId(selected);
    return S_OK;
}

HRESULT ListAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (!action) return E_POINTER;
    *action = nullptr;
    size_t row = kSelf;
    RETURN_IF_FAILED(Resolve(child, row));
    if (const RowGroup* header = view_->rows_.HeaderAt(row)) {
        return TextOut(header->expanded ? L"Collapse" : L"Expand", action);
    }
    if (row == kSelf || view_->ItemAtRow(row)->Description().readOnly) return S_FALSE;
    return TextOut(L"Edit", action);
}

HRESULT ListAccessible::accSelect(LONG flags, VARIANT child) {
    size_t row = kSelf;
    RETURN_IF_FAILED(Resolve(child, row));
    if (row == kSelf || (flags & ~(SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION)) != 0) return E_INVALIDARG;
    // The view's events reach the list's user, whose handlers may let go of the control.
    const ole::ComPtr<IUnknown> lifeline(view_->host_.Lifeline());
    if (flags & SELFLAG_TAKEFOCUS) SetFocus(view_->Window());
    if ((flags & SELFLAG_TAKESELECTION) && !view_->Select(row)) return S_FALSE;
    return S_OK;
}

HRESULT ListAccessible::accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    size_t row = kSelf;
    RETURN_IF_FAILED(Resolve(child, row));
    RECT area{};
    GetClientRect(view_->Window(), &area);
    if (row != kSelf) {
        area = view_->ValueCell(row);
        area.left = 0;
    }
    MapWindowPoints(view_->Window(), nullptr, reinterpret_cast<POINT*>(&area), 2);
    *left = area.left;
    *top = area.top;
    *width = area.right - area.left;
    *height = area.bottom - area.top;
    return S_OK;
}

HRESULT ListAccessible::accNavigate(LONG direction, VARIANT start, VARIANT* end) {
    if (!end) return E_POINTER;
    VariantInit(end);
    size_t row = kSelf;
    RETURN_IF_FAILED(Resolve(start, row));
    const size_t count = view_->rows_.Count();
    size_t target = kSelf;
    switch (direction) {
    case NAVDIR_FIRSTCHILD:
    case NAVDIR_LASTCHILD:
        if (row != kSelf) return E_INVALIDARG;
        if (count > 0) target = direction == NAVDIR_FIRSTCHILD ? 0 : count - 1;
        break;
    case NAVDIR_NEXT:
    case NAVDIR_DOWN:
        if (row != kSelf && row + 1 < count) target = row + 1;
        break;
    case NAVDIR_PREVIOUS:
    case NAVDIR_UP:
        if (row != kSelf && row > 0) target = row - 1;
        break;
    default:
        return row == kSelf ? S_FALSE : E_INVALIDARG;
    }
    if (target == kSelf) return S_FALSE;
    *end = ChildId(target);
    return S_OK;
}

HRESULT ListAccessible::accHitTest(LONG x, LONG y, VARIANT* child) {
    if (!child) return E_POINTER;
    VariantInit(child);
    if (!view_ || !view_->Window()) return CO_E_OBJNOTCONNECTED;
    POINT at{x, y};
    ScreenToClient(view_->Window(), &at);
    RECT client{};
    GetClientRect(view_->Window(), &client);
    if (!PtInRect(&client, at)) return S_FALSE;
    const size_t row = view_->RowAt(at.y);
    *child = ChildId(row == ListView::kNone ? kSelf : row);
    return S_OK;
}

HRESULT ListAccessible::accDoDefaultAction(VARIANT child) {
    size_t row = kSelf;
    RETURN_IF_FAILED(Resolve(child, row));
    if (row == kSelf) return DISP_E_MEMBERNOTFOUND;
    const ole::ComPtr<IUnknown> lifeline(view_->host_.Lifeline());
    if (!view_->Select(row)) return S_FALSE;
    if (view_->rows_.HeaderAt(row)) view_->ToggleGroup(row);
    else view_->BeginEdit();
    return S_OK;
}

}  // namespace proplist
