#include "tests/control/control_fixture.h"

#include "ole/com_object.h"

#include <ocidl.h>

namespace {

std::wstring ProgramPath() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// The control's type library refers to the list's, which automation finds through the registry.
std::wstring ListLibraryPath() { return ProgramPath() + L"\\2"; }

HRESULT Advise(IUnknown* control, REFIID events, IUnknown* sink, DWORD& cookie) {
    ole::ComPtr<IConnectionPointContainer> container;
    RETURN_IF_FAILED(control->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()));
    ole::ComPtr<IConnectionPoint> point;
    RETURN_IF_FAILED(container->FindConnectionPoint(events, point.Put()));
    return point->Advise(sink, &cookie);
}

void Unadvise(IUnknown* control, REFIID events, DWORD& cookie) {
    if (!cookie) return;
    ole::ComPtr<IConnectionPointContainer> container;
    ole::ComPtr<IConnectionPoint> point;
    if (SUCCEEDED(control->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())) &&
        SUCCEEDED(container->FindConnectionPoint(events, point.Put()))) {
        point->Unadvise(cookie);
    }
    cookie = 0;
}

}  // namespace

void ControlTest::SetUpTestSuite() {
    ole::ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadTypeLibEx(ListLibraryPath().c_str(), REGKIND_NONE, library.Put()), S_OK);
    std::wstring path = ListLibraryPath();
    ASSERT_EQ(RegisterTypeLib(library.Get(), path.data(), nullptr), S_OK);
}

void ControlTest::TearDownTestSuite() {
    UnRegisterTypeLib(LIBID_KavellaCtl, 2, 9, 0, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
}

void ControlTest::SetUp() {
    lists = doubles::FakeListFactory::Register(CLSID_Kavella);
    lists->SetCatalogue({{L"Caption"}, {L"Count"}, {L"Handle", true}, {L"Picture", false, 0}});
    client->SetProperty(L"Caption", ole::Variant(std::wstring_view(L"Hello")));
    client->SetProperty(L"Count", ole::Variant(LONG{7}));
    client->SetProperty(L"Handle", ole::Variant(LONG{99}), doubles::FakeAutomationObject::Access::ReadOnly);
    events = doubles::EventSink::Create(DIID___Inspecta, "host's event sink");
    notifications = doubles::PropertyNotifySink::Create("container's notify sink");
}

void ControlTest::TearDown() {
    DropControl();
    lists->Revoke();
}

void ControlTest::MakeControl() {
    ASSERT_EQ(ole::MakeObject(control), S_OK);
    ASSERT_EQ(Advise(static_cast<_Inspecta*>(control.Get()), DIID___Inspecta, events.Get(), eventsCookie_), S_OK);
    ASSERT_EQ(Advise(static_cast<_Inspecta*>(control.Get()), IID_IPropertyNotifySink,
                     static_cast<IPropertyNotifySink*>(notifications.Get()), notificationsCookie_),
              S_OK);
}

void ControlTest::MakeNewControl() {
    MakeControl();
    ole::ComPtr<IPersistStreamInit> persistence;
    ASSERT_EQ(static_cast<_Inspecta*>(control.Get())->QueryInterface(IID_IPersistStreamInit, persistence.PutVoid()),
              S_OK);
    ASSERT_EQ(persistence->InitNew(), S_OK);
}

void ControlTest::DropControl() {
    if (!control) return;
    Unadvise(static_cast<_Inspecta*>(control.Get()), DIID___Inspecta, eventsCookie_);
    Unadvise(static_cast<_Inspecta*>(control.Get()), IID_IPropertyNotifySink, notificationsCookie_);
    control.Reset();
}

doubles::FakeItem* ControlTest::Item(const wchar_t* name) const {
    doubles::FakeItem* item = List() ? List()->Item(name) : nullptr;
    EXPECT_NE(item, nullptr);
    return item;
}

HRESULT ControlTest::InvokeByName(const wchar_t* name, WORD kind, std::vector<VARIANT> arguments, ole::Variant* result,
                                  EXCEPINFO* exception) {
    IDispatch* dispatch = static_cast<_Inspecta*>(control.Get());
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    RETURN_IF_FAILED(dispatch->GetIDsOfNames(IID_NULL, names, 1, 1033, &id));
    std::reverse(arguments.begin(), arguments.end());
    DISPID namedPut = DISPID_PROPERTYPUT;
    const bool assignment = kind == DISPATCH_PROPERTYPUT || kind == DISPATCH_PROPERTYPUTREF;
    DISPPARAMS parameters{arguments.data(), assignment ? &namedPut : nullptr, static_cast<UINT>(arguments.size()),
                          assignment ? 1u : 0u};
    UINT argumentError = 0;
    return dispatch->Invoke(id, IID_NULL, 1033, kind, &parameters, result ? result->Out() : nullptr, exception,
                            &argumentError);
}
