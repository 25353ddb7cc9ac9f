#pragma once

#include "ole/com_ptr.h"
#include "tests/doubles/test_double.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

namespace doubles {

// A control's container: its client site, in-place site and ambient properties, with a real
// parent window. It records every call the control makes on it, in order, by method name.
class RecordingContainer final
    : public Double<RecordingContainer, IOleClientSite, IOleInPlaceSite, IOleControlSite, IDispatch> {
public:
    static ole::ComPtr<RecordingContainer> Create(std::string name = "container");
    ~RecordingContainer() override;

    HWND Window() const { return window_; }
    const std::vector<std::string>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    // The ambient font the container answers; none by default (the ambient is then missing).
    void SetAmbientFont(IFontDisp* font) { font_ = font; }
    // Where the container places the control when it activates it (pixels, in its window).
    void SetPosition(const RECT& position) { position_ = position; }
    void RefuseInPlaceActivation() { refuseInPlace_ = true; }

    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;

    // IOleClientSite
    IFACEMETHODIMP SaveObject() override;
    IFACEMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    IFACEMETHODIMP GetContainer(IOleContainer** container) override;
    IFACEMETHODIMP ShowObject() override;
    IFACEMETHODIMP OnShowWindow(BOOL show) override;
    IFACEMETHODIMP RequestNewObjectLayout() override;
    // IOleWindow
    IFACEMETHODIMP GetWindow(HWND* window) override;
    IFACEMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    // IOleInPlaceSite
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
    friend Double;
    explicit RecordingContainer(std::string name);

    HWND window_ = nullptr;
    std::vector<std::string> calls_;
    ole::ComPtr<IFontDisp> font_;
    RECT position_{10, 20, 110, 70};
    bool refuseInPlace_ = false;
};

}  // namespace doubles
