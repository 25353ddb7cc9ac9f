#pragma once

#include "ole/com_ptr.h"
#include "ole/variant.h"
#include "tests/doubles/test_double.h"

#include <windows.h>
#include <ocidl.h>

#include <functional>
#include <string>
#include <vector>

namespace doubles {

// An event sink for one dispinterface that implements nothing but Invoke, as Delphi's do: any
// other IDispatch method fails the test. It records each event with copies of its arguments in
// natural order, and can run an action inside an event (to unadvise, release, alter arguments).
class EventSink final : public IDispatch, public TestDouble {
public:
    struct Event {
        DISPID id;
        std::vector<ole::Variant> arguments;
    };

    static ole::ComPtr<EventSink> Create(REFIID events, std::string name = "event sink");

    const std::vector<Event>& Events() const { return events_; }
    // Runs inside every later event, after it is recorded; the arguments are the DISPPARAMS'.
    void OnEvent(std::function<void(DISPID, DISPPARAMS&)> action) { action_ = std::move(action); }

    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override;
    IFACEMETHODIMP_(ULONG) AddRef() override { return CountAddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return CountRelease(); }
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override;

private:
    EventSink(REFIID events, std::string name) : TestDouble(std::move(name)), events_iid_(events) {}

    IID events_iid_;
    std::vector<Event> events_;
    std::function<void(DISPID, DISPPARAMS&)> action_;
};

// An IPropertyNotifySink that records OnChanged and OnRequestEdit in order and answers
// OnRequestEdit as told.
class PropertyNotifySink final : public IPropertyNotifySink, public TestDouble {
public:
    struct Call {
        bool requestEdit;
        DISPID id;
    };

    static ole::ComPtr<PropertyNotifySink> Create(std::string name = "property notify sink");

    const std::vector<Call>& Calls() const { return calls_; }
    std::vector<DISPID> ChangedIds() const;
    void AnswerRequestEdit(HRESULT answer) { answer_ = answer; }

    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override;
    IFACEMETHODIMP_(ULONG) AddRef() override { return CountAddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return CountRelease(); }
    IFACEMETHODIMP OnChanged(DISPID id) override;
    IFACEMETHODIMP OnRequestEdit(DISPID id) override;

private:
    explicit PropertyNotifySink(std::string name) : TestDouble(std::move(name)) {}

    std::vector<Call> calls_;
    HRESULT answer_ = S_OK;
};

}  // namespace doubles
