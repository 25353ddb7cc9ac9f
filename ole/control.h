#pragma once

#include "ole/com_object.h"
#include "ole/com_ptr.h"
#include "ole/connection_point.h"
#include "ole/hosted_control.h"
#include "ole/variant.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <array>
#include <span>
#include <vector>

namespace ole {

// What a control reports, and its server registers, under MiscStatus: set the client site first,
// activate when visible, inside-out, cannot link inside, recompose on resize.
inline constexpr DWORD kControlMiscStatus = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE |
                                            OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;

// What every host expects of an ActiveX control, for a control class to build on. The class
// derives from ComObject<Derived, DispatchImpl<Dual>, ProvideClassInfoImpl<Derived>,
// SupportErrorInfoImpl<Dual>, ControlOf<Derived>>, lists ControlInterfaces<Derived>() in its interface
// table, and answers the lifecycle notifications below (each has a default that does nothing).
// It starts and ends the control from its own FinalConstruct and destructor:
//     HRESULT FinalConstruct() noexcept { return StartControl(); }
//     ~MyControl() override { EndControl(); }
//
// Lifecycle, in the order a control sees it: Initialize once the object is made; then exactly
// one of InitProperties (a new control: InitNew through any persistence interface, or first use
// without any) and ReadProperties (Load through a property bag, a stream or a storage); Resize at
// each size change, the first included; Show each time the control becomes visible; any number of
// WriteProperties; Terminate at the last release. A control works with no client site at all.
//
// Events are discarded while the container has them frozen (IOleControl::FreezeEvents), as the
// container asks for when it cannot take them; nothing is queued.
class ControlBase : public IOleObject,
                    public IOleInPlaceObject,
                    public IOleInPlaceActiveObject,
                    public IOleControl,
                    public IViewObjectEx,
                    public IQuickActivate,
                    public IPersistStreamInit,
                    public IPersistPropertyBag,
                    public IPersistStorage,
                    public IConnectionPointContainer,
                    private ChildControlHost {
public:
    // The class id and the default source interface (the events), as in the type library.
    ControlBase(REFCLSID classId, REFIID events) noexcept;
    ControlBase(const ControlBase&) = delete;
    ControlBase& operator=(const ControlBase&) = delete;
    virtual ~ControlBase();

    // IOleObject
    IFACEMETHODIMP SetClientSite(IOleClientSite* site) override;
    IFACEMETHODIMP GetClientSite(IOleClientSite** site) override;
    IFACEMETHODIMP SetHostNames(LPCOLESTR application, LPCOLESTR object) override;
    IFACEMETHODIMP Close(DWORD saveOption) override;
    IFACEMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    IFACEMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    IFACEMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    IFACEMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
    IFACEMETHODIMP DoVerb(LONG verb, LPMSG message, IOleClientSite* activeSite, LONG index, HWND parent,
                          LPCRECT position) override;
    IFACEMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    IFACEMETHODIMP Update() override;
    IFACEMETHODIMP IsUpToDate() override;
    IFACEMETHODIMP GetUserClassID(CLSID* classId) override;
    IFACEMETHODIMP GetUserType(DWORD form, LPOLESTR* name) override;
    IFACEMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    IFACEMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    IFACEMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
    IFACEMETHODIMP Unadvise(DWORD cookie) override;
    IFACEMETHODIMP EnumAdvise(IEnumSTATDATA** advises) override;
    IFACEMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    IFACEMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

    // IOleWindow
    IFACEMETHODIMP GetWindow(HWND* window) override;
    IFACEMETHODIMP ContextSensitiveHelp(BOOL enter) override;

    // IOleInPlaceObject
    IFACEMETHODIMP InPlaceDeactivate() override;
    IFACEMETHODIMP UIDeactivate() override;
    IFACEMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
    IFACEMETHODIMP ReactivateAndUndo() override;

    // IOleInPlaceActiveObject
    IFACEMETHODIMP TranslateAccelerator(LPMSG message) override;
    IFACEMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    IFACEMETHODIMP OnDocWindowActivate(BOOL activate) override;
    IFACEMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
    IFACEMETHODIMP EnableModeless(BOOL enable) override;

    // IOleControl
    IFACEMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    IFACEMETHODIMP OnMnemonic(MSG* message) override;
    IFACEMETHODIMP OnAmbientPropertyChange(DISPID id) override;
    IFACEMETHODIMP FreezeEvents(BOOL freeze) override;

    // IViewObject, IViewObject2, IViewObjectEx
    IFACEMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC targetInfo,
                        HDC dc, LPCRECTL bounds, LPCRECTL windowBounds, BOOL(STDMETHODCALLTYPE* proceed)(ULONG_PTR),
                        ULONG_PTR proceedArgument) override;
    IFACEMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC targetInfo,
                               LOGPALETTE** colors) override;
    IFACEMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freezeCookie) override;
    IFACEMETHODIMP Unfreeze(DWORD freezeCookie) override;
    IFACEMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    IFACEMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    IFACEMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, LPSIZEL size) override;
    IFACEMETHODIMP GetRect(DWORD aspect, LPRECTL rect) override;
    IFACEMETHODIMP GetViewStatus(DWORD* status) override;
    IFACEMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT point, LONG closeHint, DWORD* hit) override;
    IFACEMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT rect, LONG closeHint, DWORD* hit) override;
    IFACEMETHODIMP GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, HDC targetInfo,
                                    DVEXTENTINFO* info, LPSIZEL size) override;

    // IQuickActivate
    IFACEMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) override;
    IFACEMETHODIMP SetContentExtent(LPSIZEL size) override;
    IFACEMETHODIMP GetContentExtent(LPSIZEL size) override;

    // IPersist, IPersistStreamInit, IPersistPropertyBag, IPersistStorage
    IFACEMETHODIMP GetClassID(CLSID* classId) override;
    IFACEMETHODIMP IsDirty() override;
    IFACEMETHODIMP InitNew() override;
    IFACEMETHODIMP Load(IStream* stream) override;
    IFACEMETHODIMP Save(IStream* stream, BOOL clearDirty) override;
    IFACEMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    IFACEMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
    IFACEMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
    IFACEMETHODIMP InitNew(IStorage* storage) override;
    IFACEMETHODIMP Load(IStorage* storage) override;
    IFACEMETHODIMP Save(IStorage* storage, BOOL sameAsLoad) override;
    IFACEMETHODIMP SaveCompleted(IStorage* storage) override;
    IFACEMETHODIMP HandsOffStorage() override;

    // IConnectionPointContainer
    IFACEMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    IFACEMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

protected:
    // The lifecycle notifications.
    virtual HRESULT Initialize() { return S_OK; }
    virtual HRESULT InitProperties() { return S_OK; }
    virtual HRESULT ReadProperties(IPropertyBag* /*bag*/) { return S_OK; }
    virtual HRESULT WriteProperties(IPropertyBag* /*bag*/) { return S_OK; }
    virtual void Resize() {}
    virtual void Show() {}
    virtual void Terminate() {}
    // Paints the control into `dc` within `bounds`: on screen, for printing, into a picture.
    virtual void Paint(HDC /*dc*/, const RECT& /*bounds*/) {}
    // The container changed an ambient property (DISPID_UNKNOWN: any of them).
    virtual void AmbientChanged(DISPID /*id*/) {}
    virtual DWORD MiscStatus() const noexcept;

    HRESULT StartControl() noexcept;
    // Places a child control of class `classId` on the control's surface (before StartControl,
    // so that Initialize finds it made) and gives the wrapper the control's code drives it by.
    // The child is in-place active whenever the control is, is drawn with it, and is torn down
    // after Terminate.
    HRESULT AddChildControl(REFCLSID classId, ComPtr<IDispatch>& wrapper) noexcept;
    void EndControl() noexcept;

    // Raises an event of the default source interface; arguments in natural order.
    HRESULT FireEvent(DISPID id, std::span<const VARIANT> arguments = {}) noexcept;
    // The same with arguments the caller gives away (FireDispatchEventGiving).
    HRESULT FireEventGiving(DISPID id, std::span<Variant> given) noexcept;
    // True when some sink listens to the event `id`: spares preparing events nobody hears.
    bool HasEventSinksFor(DISPID id) const noexcept { return events_.HasSinksFor(id); }
    // Tells the container that the persisted property `id` changed, and makes the control dirty.
    void PropertyChanged(DISPID id) noexcept;
    // Asks the view to repaint (the window, and the container's view advise).
    void InvalidateView() noexcept;
    HRESULT AmbientFont(ComPtr<IFontDisp>& font) noexcept;

    IOleClientSite* ClientSite() const noexcept { return clientSite_.Get(); }
    HWND Window() const noexcept { return window_; }
    bool EventsFrozen() const noexcept { return freezeCount_ > 0; }
    // The control's size in pixels: its window's client area, or its extent when it has no window.
    SIZE ClientSize() const noexcept;
    IUnknown* Identity() noexcept { return static_cast<IOleObject*>(this); }

    // The surface's own enabled state (its window follows it) and font (what Paint draws with).
    bool SurfaceEnabled() const noexcept { return enabled_; }
    void SetSurfaceEnabled(bool enabled) noexcept;
    IFontDisp* SurfaceFont() const noexcept { return surfaceFont_.Get(); }
    void SetSurfaceFont(IFontDisp* font) noexcept { surfaceFont_ = font; }

private:
    enum class Persistence { None, New, Loaded };

    HRESULT EnsureInitialized() noexcept;
    HRESULT BeginLoad() const noexcept;
    HRESULT LoadFromBag(IPropertyBag* bag) noexcept;
    HRESULT SaveToStream(IStream* stream, bool clearDirty) noexcept;
    HRESULT InPlaceActivate(IOleClientSite* activeSite, bool uiActivate, LPCRECT position) noexcept;
    HRESULT CreateControlWindow(HWND parent, const RECT& position) noexcept;
    void SizeMaybeChanged() noexcept;
    void BecomeVisible() noexcept;
    HWND HostWindow() noexcept override { return window_; }
    IOleClientSite* HostSite() noexcept override { return clientSite_.Get(); }
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    CLSID classId_;
    ConnectionPoint events_;
    ConnectionPoint propertyNotify_;
    ComPtr<IOleClientSite> clientSite_;
    ComPtr<IFontDisp> surfaceFont_;
    bool enabled_ = true;
    ComPtr<IOleAdviseHolder> adviseHolder_;
    ComPtr<IAdviseSink> viewSink_;
    DWORD viewAspects_ = 0;
    DWORD viewFlags_ = 0;
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    ComPtr<IOleInPlaceFrame> frame_;
    ComPtr<IOleInPlaceUIWindow> uiWindow_;
    HWND window_ = nullptr;
    bool uiActive_ = false;
    bool visible_ = false;
    SIZEL extent_{2540, 2540};  // HIMETRIC
    SIZE deliveredSize_{-1, -1};
    Persistence persistence_ = Persistence::None;
    bool dirty_ = false;
    bool started_ = false;
    LONG freezeCount_ = 0;
    std::vector<ComPtr<HostedControl>> children_;
};

// The ControlBase of `Derived`, which names its class and events:
//     static const CLSID& ClassId() noexcept;
//     static const IID& DefaultSourceId() noexcept;
template <typename Derived>
class ControlOf : public ControlBase {
public:
    ControlOf() noexcept : ControlBase(Derived::ClassId(), Derived::DefaultSourceId()) {}
};

// The interface rows of a control class's table.
template <typename Derived>
constexpr std::array<InterfaceEntry, 14> ControlInterfaces() noexcept {
    return {
        Implements<Derived, IOleObject>(),
        Implements<Derived, IOleWindow, IOleInPlaceObject>(),
        Implements<Derived, IOleInPlaceObject>(),
        Implements<Derived, IOleInPlaceActiveObject>(),
        Implements<Derived, IOleControl>(),
        Implements<Derived, IViewObject, IViewObjectEx>(),
        Implements<Derived, IViewObject2, IViewObjectEx>(),
        Implements<Derived, IViewObjectEx>(),
        Implements<Derived, IQuickActivate>(),
        Implements<Derived, IPersist, IPersistStreamInit>(),
        Implements<Derived, IPersistStreamInit>(),
        Implements<Derived, IPersistPropertyBag>(),
        Implements<Derived, IPersistStorage>(),
        Implements<Derived, IConnectionPointContainer>(),
    };
}

// Two interface tables as one, for a class that adds its own rows to a base's.
template <size_t First, size_t Second>
constexpr std::array<InterfaceEntry, First + Second> JoinInterfaceTables(
    const std::array<InterfaceEntry, First>& first, const std::array<InterfaceEntry, Second>& second) noexcept {
    std::array<InterfaceEntry, First + Second> joined{};
    for (size_t i = 0; i < First; ++i) joined[i] = first[i];
    for (size_t i = 0; i < Second; ++i) joined[First + i] = second[i];
    return joined;
}

}  // namespace ole
