#include "tests/doubles/recording_container.h"

#include "ole/variant.h"

namespace doubles {

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
        Implements<RecordingContainer, IAdviseSink>(),
    };
    return table;
}

HRESULT RecordingContainer::GetWindow(HWND* window) {
    Record("GetWindow");
    if (!window) return E_POINTER;
    *window = window_;
    return S_OK;
}

HRESULT RecordingContainer::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                             LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO) {
    Record("GetWindowContext", S_OK, frame);
    if (document) *document = nullptr;
    if (position) *position = position_;
    if (clip) *clip = position_;
    return S_OK;
}

HRESULT RecordingContainer::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

HRESULT RecordingContainer::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
    calls_.push_back("Ambient " + std::to_string(id));
    if (id != DISPID_AMBIENT_FONT || !font_ || !result) return DISP_E_MEMBERNOTFOUND;
    ole::Variant(static_cast<IDispatch*>(font_.Get())).Detach(result);
    return S_OK;
}

}  // namespace doubles
