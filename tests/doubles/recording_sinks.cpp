#include "tests/doubles/recording_sinks.h"

#include <gtest/gtest.h>

namespace doubles {

ole::ComPtr<EventSink> EventSink::Create(REFIID events, std::string name) {
    ole::ComPtr<EventSink> sink;
    sink.Attach(new EventSink(events, std::move(name)));
    return sink;
}

HRESULT EventSink::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != events_iid_) return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

HRESULT EventSink::GetTypeInfoCount(UINT*) {
    ADD_FAILURE() << DoubleName() << ": GetTypeInfoCount must not be called on an event sink";
    return E_NOTIMPL;
}

HRESULT EventSink::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    ADD_FAILURE() << DoubleName() << ": GetTypeInfo must not be called on an event sink";
    return E_NOTIMPL;
}

HRESULT EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    ADD_FAILURE() << DoubleName() << ": GetIDsOfNames must not be called on an event sink";
    return E_NOTIMPL;
}

HRESULT EventSink::Invoke(DISPID id, REFIID iid, LCID, WORD kind, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                          UINT*) {
    EXPECT_EQ(iid, IID_NULL);
    EXPECT_EQ(kind, DISPATCH_METHOD);
    if (!parameters) {
        ADD_FAILURE() << DoubleName() << ": event without DISPPARAMS";
        return E_POINTER;
    }
    Event event{id, {}};
    for (UINT i = parameters->cArgs; i > 0; --i) {
        ole::Variant copy;
        EXPECT_EQ(copy.CopyFrom(parameters->rgvarg[i - 1]), S_OK);
        event.arguments.push_back(std::move(copy));
    }
    events_.push_back(std::move(event));
    if (action_) action_(id, *parameters);
    return S_OK;
}

ole::ComPtr<PropertyNotifySink> PropertyNotifySink::Create(std::string name) {
    ole::ComPtr<PropertyNotifySink> sink;
    sink.Attach(new PropertyNotifySink(std::move(name)));
    return sink;
}

std::vector<DISPID> PropertyNotifySink::ChangedIds() const {
    std::vector<DISPID> ids;
    for (const Call& call : calls_) {
        if (!call.requestEdit) ids.push_back(call.id);
    }
    return ids;
}

HRESULT PropertyNotifySink::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPropertyNotifySink) return E_NOINTERFACE;
    *object = static_cast<IPropertyNotifySink*>(this);
    AddRef();
    return S_OK;
}

HRESULT PropertyNotifySink::OnChanged(DISPID id) {
    calls_.push_back({false, id});
    return S_OK;
}

HRESULT PropertyNotifySink::OnRequestEdit(DISPID id) {
    calls_.push_back({true, id});
    return answer_;
}

}  // namespace doubles
