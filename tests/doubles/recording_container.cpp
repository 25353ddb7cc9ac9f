#include "tests/doubles/recording_container.h"

namespace doubles {

ole::ComPtr<RecordingContainer> RecordingContainer::Create(std::string name) { return Make(std::move(name)); }

RecordingContainer::RecordingContainer(std::string name) : Double(std::move(name)) {
    window_ = CreateWindowExW(0, L"STATIC", L"container", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 400, 300,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

RecordingContainer::~RecordingContainer() {
    if (window_) DestroyWindow(window_);
}

std::span<const ole::InterfaceEntry> RecordingContainer::InterfaceTable() noexcept {
    using ole::Implements;
    static constexpr ole::InterfaceEntry table[] = {
        Implements<RecordingContainer, IOleClientSite>(),
        Implements<RecordingContainer, IOleInPlaceSite>(),
        Implements<RecordingContainer, IOleWindow, IOleInPlaceSite>(),
        Implements<RecordingContainer, IOleControlSite>(),
        Implements<RecordingContainer, IDispatch>(),
    };
    return table;
}

HRESULT RecordingContainer::SaveObject() {
    calls_.push_back("SaveObject");
    return S_OK;
}

HRESULT RecordingContainer::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    calls_.push_back("GetMoniker");
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT RecordingContainer::GetContainer(IOleContainer** container) {
    calls_.push_back("GetContainer");
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT RecordingContainer::ShowObject() {
    calls_.push_back("ShowObject");
    return S_OK;
}

HRESULT RecordingContainer::OnShowWindow(BOOL show) {
    calls_.push_back(show ? "OnShowWindow(TRUE)" : "OnShowWindow(FALSE)");
    return S_OK;
}

HRESULT RecordingContainer::RequestNewObjectLayout() {
    calls_.push_back("RequestNewObjectLayout");
    return E_NOTIMPL;
}

HRESULT RecordingContainer::GetWindow(HWND* window) {
    calls_.push_back("GetWindow");
    if (!window) return E_POINTER;
    *window = window_;
    return S_OK;
}

HRESULT RecordingContainer::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT RecordingContainer::CanInPlaceActivate() {
    calls_.push_back("CanInPlaceActivate");
    return refuseInPlace_ ? S_FALSE : S_OK;
}

HRESULT RecordingContainer::OnInPlaceActivate() {
    calls_.push_back("OnInPlaceActivate");
    return S_OK;
}

HRESULT RecordingContainer::OnUIActivate() {
    calls_.push_back("OnUIActivate");
    return S_OK;
}

HRESULT RecordingContainer::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                             LPRECT clip, LPOLEINPLACEFRAMEINFO) {
    calls_.push_back("GetWindowContext");
    if (frame) *frame = nullptr;
    if (document) *document = nullptr;
    if (position) *position = position_;
    if (clip) *clip = position_;
    return S_OK;
}

HRESULT RecordingContainer::Scroll(SIZE) { return E_NOTIMPL; }

HRESULT RecordingContainer::OnUIDeactivate(BOOL) {
    calls_.push_back("OnUIDeactivate");
    return S_OK;
}

HRESULT RecordingContainer::OnInPlaceDeactivate() {
    calls_.push_back("OnInPlaceDeactivate");
    return S_OK;
}

HRESULT RecordingContainer::DiscardUndoState() { return S_OK; }
HRESULT RecordingContainer::DeactivateAndUndo() { return S_OK; }

HRESULT RecordingContainer::OnPosRectChange(LPCRECT) {
    calls_.push_back("OnPosRectChange");
    return S_OK;
}

HRESULT RecordingContainer::OnControlInfoChanged() {
    calls_.push_back("OnControlInfoChanged");
    return S_OK;
}

HRESULT RecordingContainer::LockInPlaceActive(BOOL) { return S_OK; }

HRESULT RecordingContainer::GetExtendedControl(IDispatch** control) {
    if (control) *control = nullptr;
    return E_NOTIMPL;
}

HRESULT RecordingContainer::TransformCoords(POINTL*, POINTF*, DWORD) { return E_NOTIMPL; }
HRESULT RecordingContainer::TranslateAccelerator(MSG*, DWORD) { return S_FALSE; }
HRESULT RecordingContainer::OnFocus(BOOL) { return S_OK; }
HRESULT RecordingContainer::ShowPropertyFrame() { return E_NOTIMPL; }

HRESULT RecordingContainer::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

HRESULT RecordingContainer::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT RecordingContainer::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT RecordingContainer::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
    calls_.push_back("Ambient " + std::to_string(id));
    if (id == DISPID_AMBIENT_FONT && font_ && result) {
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = font_.Get();
        font_->AddRef();
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

}  // namespace doubles
