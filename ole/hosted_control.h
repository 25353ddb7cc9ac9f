#pragma once

#include "ole/com_object.h"
#include "ole/com_ptr.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

namespace ole {

// What a control that hosts child controls offers them: its window and its own client site,
// whose ambient properties the children see.
class ChildControlHost {
public:
    virtual HWND HostWindow() noexcept = 0;
    virtual IOleClientSite* HostSite() noexcept = 0;

protected:
    ~ChildControlHost() = default;
};

// A child control placed on a control's surface, and the site it sees: its client site,
// in-place site and control site, with an ambient IDispatch that passes the outer control's
// ambient properties on. The outer control holds it; it holds the child; the child holds it as
// its site until Detach, which breaks that cycle. It never holds the outer control.
//
// Positions are in pixels of the outer control's window (its coordinate units).
class HostedControl final
    : public ComObject<HostedControl, IOleClientSite, IOleInPlaceSite, IOleControlSite, IDispatch> {
public:
    explicit HostedControl(ChildControlHost& host) noexcept : host_(&host) {}

    static std::span<const InterfaceEntry> InterfaceTable() noexcept;

    // Creates the child through CoCreateInstance, gives it this site (before or after its
    // initialisation, as its misc status asks) and initialises it as a new control.
    HRESULT Create(REFCLSID classId) noexcept;
    // In-place activates the child in the host's window at its position; nothing without a window.
    HRESULT Activate() noexcept;
    HRESULT Deactivate() noexcept;
    // Moves and sizes the child; an absent (or empty) top, width or height keeps its value.
    HRESULT Move(float left, const VARIANT& top, const VARIANT& width, const VARIANT& height) noexcept;
    // Draws the child into `dc` where it sits within `bounds` (the host's client area drawn at
    // `bounds`, scaled from `hostSize`).
    HRESULT DrawInto(HDC dc, const RECT& bounds, SIZE hostSize) noexcept;
    // Safe teardown: the field is nulled first, then Close(OLECLOSE_NOSAVE), SetClientSite(NULL)
    // (its failure tolerated) and the release. The host is forgotten.
    void Detach() noexcept;

    IDispatch* ChildDispatch() const noexcept { return childDispatch_.Get(); }

    // IOleClientSite
    IFACEMETHODIMP SaveObject() override;
    IFACEMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    IFACEMETHODIMP GetContainer(IOleContainer** container) override;
    IFACEMETHODIMP ShowObject() override;
    IFACEMETHODIMP OnShowWindow(BOOL show) override;
    IFACEMETHODIMP RequestNewObjectLayout() override;
    // IOleWindow, IOleInPlaceSite
    IFACEMETHODIMP GetWindow(HWND* window) override;
    IFACEMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    IFACEMETHODIMP CanInPlaceActivate() override;
    IFACEMETHODIMP OnInPlaceActivate() override;
    IFACEMETHODIMP OnUIActivate() override;
    IFACEMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                    LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    IFACEMETHODIMP Scroll(SIZE extent) override;
    IFACEMETHODIMP OnUIDeactivate(BOOL undoable) override;
    IFACEMETHODIMP OnInPlaceDeactivate() override;
    IFACEMETHODIMP DiscardUndoState() override;
    IFACEMETHODIMP DeactivateAndUndo() override;
    IFACEMETHODIMP OnPosRectChange(LPCRECT position) override;
    // IOleControlSite
    IFACEMETHODIMP OnControlInfoChanged() override;
    IFACEMETHODIMP LockInPlaceActive(BOOL lock) override;
    IFACEMETHODIMP GetExtendedControl(IDispatch** control) override;
    IFACEMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override;
    IFACEMETHODIMP TranslateAccelerator(MSG* message, DWORD modifiers) override;
    IFACEMETHODIMP OnFocus(BOOL gotFocus) override;
    IFACEMETHODIMP ShowPropertyFrame() override;
    // IDispatch: the ambient properties
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override;

private:
    ~HostedControl() override = default;
    HRESULT ApplyPosition() noexcept;

    ChildControlHost* host_;  // uncounted: the host outlives us until Detach
    ComPtr<IOleObject> child_;
    ComPtr<IDispatch> childDispatch_;
    ComPtr<IOleInPlaceObject> childInPlace_;
    RECT position_{0, 0, 100, 50};
};

}  // namespace ole
