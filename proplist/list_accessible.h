#pragma once

#include "ole/com_object.h"

#include <windows.h>
#include <oleacc.h>

#include <span>

namespace proplist {

class ListView;

// What a screen reader sees of the list: the list itself (child 0) and one simple child per row
// in view order (child n is row n - 1), named for its property, valued with the text the row
// shows; a group's header is an outline item named for its category, expanded or collapsed. The
// view answers WM_GETOBJECT with it and cuts it loose when the view goes; a client that holds it
// longer is told the object is gone.
class ListAccessible final : public ole::ComObject<ListAccessible, IAccessible> {
public:
    explicit ListAccessible(ListView& view) noexcept : view_(&view) {}

    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;
    void Disconnect() noexcept { view_ = nullptr; }

    // IDispatch: clients of IAccessible call through the vtable.
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    IFACEMETHODIMP get_accParent(IDispatch** parent) override;
    IFACEMETHODIMP get_accChildCount(LONG* count) override;
    IFACEMETHODIMP get_accChild(VARIANT child, IDispatch** object) override;
    IFACEMETHODIMP get_accName(VARIANT child, BSTR* name) override;
    IFACEMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
    IFACEMETHODIMP get_accDescription(VARIANT child, BSTR* description) override;
    IFACEMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
    IFACEMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
    IFACEMETHODIMP get_accHelp(VARIANT child, BSTR* help) override;
    IFACEMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override;
    IFACEMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    IFACEMETHODIMP get_accFocus(VARIANT* focus) override;
    IFACEMETHODIMP get_accSelection(VARIANT* selection) override;
    IFACEMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
    IFACEMETHODIMP accSelect(LONG flags, VARIANT child) override;
    IFACEMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override;
    IFACEMETHODIMP accNavigate(LONG direction, VARIANT start, VARIANT* end) override;
    IFACEMETHODIMP accHitTest(LONG x, LONG y, VARIANT* child) override;
    IFACEMETHODIMP accDoDefaultAction(VARIANT child) override;
    IFACEMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    IFACEMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~ListAccessible() override = default;

    // S_OK with the row of a child id (kSelf for the list), CO_E_OBJNOTCONNECTED once the view
    // is gone, E_INVALIDARG for an id that names no row.
    HRESULT Resolve(const VARIANT& child, size_t& row) const noexcept;
    // S_FALSE and no text, for what rows and the list have nothing to say about.
    HRESULT NoText(const VARIANT& child, BSTR* text) const noexcept;

    ListView* view_;
};

}  // namespace proplist
