#pragma once

#include "ole/variant.h"
#include "tests/doubles/test_double.h"

#include <olectl.h>

#include <array>
#include <functional>
#include <map>

// A control's container and what it hands a control: its sites, sinks for the control's events and
// property changes, and property bags; each records what the control does to it.
namespace doubles {

// A control's container: its client site, in-place site, advise sink and ambient properties, with
// a real parent window. It records every call the control makes on it, in order, by method name.
class RecordingContainer final
    : public Double<RecordingContainer, IOleClientSite, IOleInPlaceSite, IOleControlSite, IDispatch, IAdviseSink> {
public:
    static ole::ComPtr<RecordingContainer> Create(std::string name = "container") { return Make(std::move(name)); }
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        using ole::Implements;
        using Self = RecordingContainer;
        static constexpr ole::InterfaceEntry table[] = {Implements<Self, IOleClientSite>(),
            Implements<Self, IOleInPlaceSite>(), Implements<Self, IOleWindow, IOleInPlaceSite>(),
            Implements<Self, IOleControlSite>(), Implements<Self, IDispatch>(), Implements<Self, IAdviseSink>()};
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

// An event sink for one dispinterface that implements nothing but Invoke, as Delphi's do: any
// other IDispatch method fails the test. It records each event with copies of its arguments in
// natural order, and can run an action inside an event (to unadvise, release, alter arguments).
class EventSink final : public Double<EventSink, IDispatch> {
public:
    struct Event {
        DISPID id;
        std::vector<ole::Variant> arguments;
    };

    static ole::ComPtr<EventSink> Create(REFIID events, std::string name = "event sink") {
        return Make(events, std::move(name));
    }
    // The sink answers only for the events' interface (and IUnknown), so its table is its own.
    std::span<const ole::InterfaceEntry> InterfaceTable() const noexcept { return table_; }

    const std::vector<Event>& Events() const { return events_; }
    // Runs inside every later event, after it is recorded; the arguments are the DISPPARAMS'.
    void OnEvent(std::function<void(DISPID, DISPPARAMS&)> action) { action_ = std::move(action); }

    IFACEMETHODIMP GetTypeInfoCount(UINT*) override { return Unexpected("GetTypeInfoCount"); }
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Unexpected("GetTypeInfo"); }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return Unexpected("GetIDs"); }
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD kind, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                          UINT*) override {
        EXPECT_EQ(iid, IID_NULL);
        EXPECT_EQ(kind, DISPATCH_METHOD);
        EXPECT_NE(parameters, nullptr) << DoubleName();
        if (!parameters) return E_POINTER;
        Event& event = events_.emplace_back(Event{id, std::vector<ole::Variant>(parameters->cArgs)});
        for (UINT i = 0; i < parameters->cArgs; ++i) {
            EXPECT_EQ(event.arguments[i].CopyFrom(parameters->rgvarg[parameters->cArgs - 1 - i]), S_OK);
        }
        if (action_) action_(id, *parameters);
        return S_OK;
    }

private:
    friend Double;
    EventSink(REFIID events, std::string name) : Double(std::move(name)), iid_(events) {}

    static void* AsDispatch(void* self) noexcept { return static_cast<IDispatch*>(static_cast<EventSink*>(self)); }

    IID iid_;
    std::array<ole::InterfaceEntry, 1> table_{{{&iid_, &AsDispatch}}};
    std::vector<Event> events_;
    std::function<void(DISPID, DISPPARAMS&)> action_;
};

// An IPropertyNotifySink that records the ids of OnChanged in order and allows every edit.
class PropertyNotifySink final : public Double<PropertyNotifySink, IPropertyNotifySink> {
public:
    static ole::ComPtr<PropertyNotifySink> Create(std::string name = "notify sink") { return Make(std::move(name)); }
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        static constexpr ole::InterfaceEntry table[] = {ole::Implements<PropertyNotifySink, IPropertyNotifySink>()};
        return table;
    }

    const std::vector<DISPID>& ChangedIds() const { return changed_; }
    void ClearCalls() { changed_.clear(); }

    IFACEMETHODIMP OnChanged(DISPID id) override { return changed_.push_back(id), S_OK; }
    IFACEMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }

private:
    friend Double;
    explicit PropertyNotifySink(std::string name) : Double(std::move(name)) {}

    std::vector<DISPID> changed_;
};

// A container's property bag that records every Read and Write in order ("Read Font", "Write Enabled"), keeps what is
// written (objects by reference), and answers a missing key with E_INVALIDARG as hosts' bags do. A read hands back the
// value as kept, whatever type is asked for; in text mode every value is kept as a string, as Office's text bags do.
class RecordingPropertyBag final : public Double<RecordingPropertyBag, IPropertyBag> {
public:
    static ole::ComPtr<RecordingPropertyBag> Create(bool textOnly = false) { return Make(textOnly); }
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        static constexpr ole::InterfaceEntry table[] = {ole::Implements<RecordingPropertyBag, IPropertyBag>()};
        return table;
    }

    void Set(const std::wstring& name, const VARIANT& value) { EXPECT_EQ(values_[name].CopyFrom(value), S_OK); }
    void FailRead(const std::wstring& name, HRESULT failure) { failures_[name] = failure; }
    const std::vector<std::wstring>& Calls() const { return calls_; }
    // The type of each written value, in order of writing.
    const std::vector<std::pair<std::wstring, VARTYPE>>& WrittenTypes() const { return written_; }

    IFACEMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        if (!name || !value) return E_POINTER;
        calls_.push_back(L"Read " + std::wstring(name));
        if (const auto failing = failures_.find(name); failing != failures_.end()) return failing->second;
        const auto found = values_.find(name);
        return found == values_.end() ? E_INVALIDARG : ole::CopyVariant(value, found->second.Get());
    }
    IFACEMETHODIMP Write(LPCOLESTR name, VARIANT* value) override {
        if (!name || !value) return E_POINTER;
        calls_.push_back(L"Write " + std::wstring(name));
        written_.emplace_back(name, V_VT(value));
        ole::Variant stored;
        const bool asText = textOnly_ && V_VT(value) != VT_DISPATCH && V_VT(value) != VT_UNKNOWN;
        RETURN_IF_FAILED(asText ? ole::ChangeType(stored, *value, VT_BSTR, 0, VARIANT_ALPHABOOL)
                                : stored.CopyFrom(*value));
        values_[name] = std::move(stored);
        return S_OK;
    }

private:
    friend Double;
    explicit RecordingPropertyBag(bool textOnly) : Double("property bag"), textOnly_(textOnly) {}

    bool textOnly_;
    std::map<std::wstring, ole::Variant> values_;
    std::map<std::wstring, HRESULT> failures_;
    std::vector<std::wstring> calls_;
    std::vector<std::pair<std::wstring, VARTYPE>> written_;
};

}  // namespace doubles
