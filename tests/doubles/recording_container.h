#pragma once

#include "ole/variant.h"
#include "tests/doubles/test_double.h"

#include <olectl.h>

namespace doubles {

// A control's container: its client site, in-place site, advise sink and ambient properties, with
// a real parent window. It records every call the control makes on it, in order, by method name.
class RecordingContainer final
    : public Double<RecordingContainer, IOleClientSite, IOleInPlaceSite, IOleControlSite, IDispatch, IAdviseSink> {
public:
    static ole::ComPtr<RecordingContainer> Create(std::string name = "container") { return Make(std::move(name)); }
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        using ole::Implements;
        static constexpr ole::InterfaceEntry table[] = {
            Implements<RecordingContainer, IOleClientSite>(), Implements<RecordingContainer, IOleInPlaceSite>(),
            Implements<RecordingContainer, IOleWindow, IOleInPlaceSite>(),
            Implements<RecordingContainer, IOleControlSite>(), Implements<RecordingContainer, IDispatch>(),
            Implements<RecordingContainer, IAdviseSink>()};
        return table;
    }
    ~RecordingContainer() override { DestroyWindow(window_); }

    HWND Window() const { return window_; }
    const std::vector<std::string>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    // The ambient font the container answers; none by default (the ambient is then missing).
    void SetAmbientFont(IFontDisp* font) { font_ = font; }
    // Where the container places the control when it activates it (pixels, in its window).
    void SetPosition(const RECT& position) { position_ = position; }
    void RefuseInPlaceActivation() { refuses_ = true; }

    IFACEMETHODIMP SaveObject() override { return Record("SaveObject"); }
    IFACEMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override { return Record(nullptr, E_NOTIMPL, moniker); }
    IFACEMETHODIMP GetContainer(IOleContainer** found) override { return Record(nullptr, E_NOINTERFACE, found); }
    IFACEMETHODIMP ShowObject() override { return Record("ShowObject"); }
    IFACEMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    IFACEMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    IFACEMETHODIMP GetWindow(HWND* window) override {
        Record("GetWindow");
        return window ? *window = window_, S_OK : E_POINTER;
    }
    IFACEMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP CanInPlaceActivate() override { return Record("CanInPlaceActivate", refuses_ ? S_FALSE : S_OK); }
    IFACEMETHODIMP OnInPlaceActivate() override { return Record("OnInPlaceActivate"); }
    IFACEMETHODIMP OnUIActivate() override { return Record("OnUIActivate"); }
    IFACEMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                    LPRECT clip, LPOLEINPLACEFRAMEINFO) override {
        if (document) *document = nullptr;
        if (position) *position = position_;
        if (clip) *clip = position_;
        return Record("GetWindowContext", S_OK, frame);
    }
    IFACEMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    IFACEMETHODIMP OnUIDeactivate(BOOL) override { return Record("OnUIDeactivate"); }
    IFACEMETHODIMP OnInPlaceDeactivate() override { return Record("OnInPlaceDeactivate"); }
    IFACEMETHODIMP DiscardUndoState() override { return S_OK; }
    IFACEMETHODIMP DeactivateAndUndo() override { return S_OK; }
    IFACEMETHODIMP OnPosRectChange(LPCRECT) override { return Record("OnPosRectChange"); }
    IFACEMETHODIMP OnControlInfoChanged() override { return Record("OnControlInfoChanged"); }
    IFACEMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
    IFACEMETHODIMP GetExtendedControl(IDispatch** control) override { return Record(nullptr, E_NOTIMPL, control); }
    IFACEMETHODIMP TransformCoords(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
    IFACEMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    IFACEMETHODIMP OnFocus(BOOL) override { return S_OK; }
    IFACEMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }
    // The ambient properties, each recorded as "Ambient <id>".
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override { return count ? *count = 0, S_OK : E_POINTER; }
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override { return Record(nullptr, E_NOTIMPL, info); }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        calls_.push_back("Ambient " + std::to_string(id));
        if (id != DISPID_AMBIENT_FONT || !font_ || !result) return DISP_E_MEMBERNOTFOUND;
        ole::Variant(static_cast<IDispatch*>(font_.Get())).Detach(result);
        return S_OK;
    }
    IFACEMETHODIMP_(void) OnDataChange(FORMATETC*, STGMEDIUM*) override {}
    IFACEMETHODIMP_(void) OnViewChange(DWORD, LONG) override { Record("OnViewChange"); }
    IFACEMETHODIMP_(void) OnRename(IMoniker*) override {}
    IFACEMETHODIMP_(void) OnSave() override { Record("OnSave"); }
    IFACEMETHODIMP_(void) OnClose() override { Record("OnClose"); }

private:
    friend Double;
    explicit RecordingContainer(std::string name) : Double(std::move(name)) {}

    // Records `call` (unless null) and answers `result`, with an out-parameter nulled.
    template <typename Out = void>
    HRESULT Record(const char* call, HRESULT result = S_OK, Out** out = nullptr) {
        if (call) calls_.push_back(call);
        if (out) *out = nullptr;
        return result;
    }

    HWND window_ = CreateWindowExW(0, L"STATIC", L"container", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 400, 300,
                                   nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    std::vector<std::string> calls_;
    ole::ComPtr<IFontDisp> font_;
    RECT position_{10, 20, 110, 70};
    bool refuses_ = false;  // in-place activation
};

}  // namespace doubles
