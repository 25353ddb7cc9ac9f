#pragma once

#include "ole/variant.h"
#include "tests/doubles/test_double.h"

#include <array>
#include <functional>

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

}  // namespace doubles
