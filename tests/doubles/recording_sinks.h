#pragma once

#include "ole/com_ptr.h"
#include "ole/variant.h"
#include "tests/doubles/test_double.h"

#include <windows.h>
#include <ocidl.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace doubles {

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
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return Unexpected("GetIDsOfNames");
    }
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override;

private:
    friend Double;
    EventSink(REFIID events, std::string name)
        : Double(std::move(name)),
          iid_(events),
          table_{{{&iid_, [](void* self) noexcept -> void* { return static_cast<IDispatch*>(static_cast<EventSink*>(self)); }}}} {}

    IID iid_;
    std::array<ole::InterfaceEntry, 1> table_;
    std::vector<Event> events_;
    std::function<void(DISPID, DISPPARAMS&)> action_;
};

// An IPropertyNotifySink that records the ids of OnChanged in order and allows every edit.
class PropertyNotifySink final : public Double<PropertyNotifySink, IPropertyNotifySink> {
public:
    static ole::ComPtr<PropertyNotifySink> Create(std::string name = "property notify sink") {
        return Make(std::move(name));
    }
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        static constexpr ole::InterfaceEntry table[] = {ole::Implements<PropertyNotifySink, IPropertyNotifySink>()};
        return table;
    }

    const std::vector<DISPID>& ChangedIds() const { return changed_; }
    void ClearCalls() { changed_.clear(); }

    IFACEMETHODIMP OnChanged(DISPID id) override {
        changed_.push_back(id);
        return S_OK;
    }
    IFACEMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }

private:
    friend Double;
    explicit PropertyNotifySink(std::string name) : Double(std::move(name)) {}

    std::vector<DISPID> changed_;
};

}  // namespace doubles
