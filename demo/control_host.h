#pragma once

#include "ole/com_ptr.h"
#include "ole/event_connection.h"

#include <windows.h>
#include <ocidl.h>

#include <functional>
#include <string>
#include <vector>

namespace demo {

// The system's own ActiveX container (atl.dll), loaded at run time.
class AtlContainer {
public:
    AtlContainer() noexcept = default;
    AtlContainer(const AtlContainer&) = delete;
    AtlContainer& operator=(const AtlContainer&) = delete;

    HRESULT Load() noexcept;
    // Places the control named by `progId` (or a class id in braces) in `window`, in place active.
    HRESULT CreateControl(const wchar_t* progId, HWND window, ole::ComPtr<IUnknown>& container,
                          ole::ComPtr<IUnknown>& control) const noexcept;

private:
    using InitFunction = BOOL(WINAPI*)();
    using CreateFunction = HRESULT(WINAPI*)(LPCOLESTR, HWND, IStream*, IUnknown**, IUnknown**, REFIID, IUnknown*);

    HMODULE atl_ = nullptr;
    CreateFunction create_ = nullptr;
};

// What the control says to its host, one line an event.
using EventPrinter = std::function<void(const std::wstring& line)>;

// Inspecta placed in a window by the container, with its events printed.
class InspectaHost final : private ole::EventReceiver {
public:
    explicit InspectaHost(EventPrinter printer) : printer_(std::move(printer)) {}
    InspectaHost(const InspectaHost&) = delete;
    InspectaHost& operator=(const InspectaHost&) = delete;
    ~InspectaHost() { Close(); }

    HRESULT Open(const AtlContainer& atl, HWND window) noexcept;
    // The control's teardown: events first, then our references, the container's last.
    void Close() noexcept;

    IDispatch* Control() const noexcept { return control_.Get(); }
    IUnknown* ControlUnknown() const noexcept { return controlUnknown_.Get(); }

    HRESULT Bind(IDispatch* client) noexcept;
    HRESULT RefreshValues() noexcept;
    // Sets, reads or flips one Boolean option of the control.
    HRESULT SetOption(const wchar_t* option, bool value) noexcept;
    HRESULT Option(const wchar_t* option, bool& value) noexcept;
    HRESULT Toggle(const wchar_t* option, bool& now) noexcept;
    HRESULT About() noexcept;

private:
    HRESULT OnEvent(UINT position, DISPPARAMS& parameters) override;

    EventPrinter printer_;
    ole::ComPtr<IUnknown> container_;
    ole::ComPtr<IUnknown> controlUnknown_;
    ole::ComPtr<IDispatch> control_;
    ole::EventConnection events_;
};

// One line of the item table.
struct ItemRow {
    std::wstring name;
    std::wstring value;
    bool readOnly = false;
    long style = 0;
    bool visible = true;
};

// The control's items for the client's properties, in the order the client's type information
// declares them; members the list shows no item for are left out.
HRESULT ReadItems(IDispatch* control, IDispatch* client, std::vector<ItemRow>& rows) noexcept;
std::wstring FormatTable(const std::vector<ItemRow>& rows);

// A value as the table shows it: US English, objects and arrays by kind.
std::wstring ValueText(const VARIANT& value);

// Turns a failure into a line for the user, with the thread's error description if any.
std::wstring DescribeFailure(HRESULT hr);

}  // namespace demo
