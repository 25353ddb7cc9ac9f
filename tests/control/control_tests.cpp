#include "control/control_object.h"

#include "control/raise_error.h"
#include "ole/arguments.h"
#include "ole/error_info.h"
#include "ole/late_bound.h"
#include "tests/doubles/fake_automation_object.h"
#include "tests/doubles/fake_list.h"
#include "tests/doubles/recording_container.h"
#include "tests/support/com_helpers.h"

#include <functional>

namespace {

using doubles::Describe;
using doubles::RecordingPropertyBag;
using ole::ComPtr;
using ole::Variant;

// The persisted properties in the order they are saved and loaded: options that are True unless
// set otherwise, and the font, whose default is the container's ambient font.
const std::wstring kFont = L"Font";
const std::wstring kPersisted[] = {L"AutoWriteProperties", L"AutoPopulate", L"Enabled", kFont, L"HideReadOnlyItems",
                                   L"HideCustomItems"};

// The lists the control creates by the list's class id: doubles, kept until a test forgets them. Creation
// fails with `listFailure` as it does when the list control is not installed, whatever the machine holds.
HRESULT listFailure = S_OK;
std::vector<ComPtr<doubles::FakeList>> lists;

HRESULT CreateList(REFIID iid, void** object) noexcept {
    if (FAILED(listFailure)) return listFailure;
    ComPtr<doubles::FakeList> list = doubles::FakeList::Create();
    list->SetCatalogue({{L"Caption"}, {L"Count"}, {L"Handle", true}, {L"Picture", false, 0}});
    RETURN_IF_FAILED(list.AsIID(iid, object));
    lists.push_back(std::move(list));
    return S_OK;
}

// An Inspecta control as a host makes it, on a list double, with its events and its container
// notifications recorded, and a client object with three properties.
class ControlTest : public testing::Test {
protected:
    void SetUp() override {
        client->SetProperty(L"Caption", Variant(std::wstring_view(L"Hello")));
        client->SetProperty(L"Count", Variant(LONG{7}));
        client->SetProperty(L"Handle", Variant(LONG{99}), doubles::FakeAutomationObject::Access::ReadOnly);
    }
    void TearDown() override {
        control.Reset();
        lists.clear();
        listFailure = S_OK;
    }

    // Makes a control in place of the last one and connects the host's sinks; a new control is
    // initialised as newly placed.
    void MakeControl(bool isNew = true) {
        control.Reset();
        ASSERT_EQ(ole::MakeObject(control), S_OK);
        support::Advise(control, DIID___Inspecta, events.Get());
        support::Advise(control, IID_IPropertyNotifySink, notifications.Get());
        if (isNew) {
            ASSERT_EQ(As<IPersistStreamInit>()->InitNew(), S_OK);
        }
    }
    template <typename Interface>
    ComPtr<Interface> As() const { return support::QueryAs<Interface>(static_cast<_Inspecta*>(control.Get())); }
    doubles::FakeList* List() const { return lists.back().Get(); }
    doubles::FakeItem* Item(const wchar_t* name) const { return List()->Item(name); }
    std::wstring Value(const wchar_t* name) const { return Describe(Item(name)->value.Get()); }
    std::wstring Marker(const wchar_t* name) const { return Describe(Item(name)->modified.Get()); }

    // Every option holds True but `changed`, which holds False; the font is `font`.
    void ExpectPersisted(const std::wstring& changed, IFontDisp* font) const {
        for (const std::wstring& key : kPersisted) {
            Variant value;
            ASSERT_EQ(ole::GetProperty(As<IDispatch>().Get(), key.c_str(), value), S_OK);
            if (key == kFont) EXPECT_EQ(V_DISPATCH(&value.Get()), font);
            else EXPECT_EQ(Describe(value.Get()), changed == key ? L"False" : L"True") << key;
        }
    }

    const support::RegisteredClass listClass{CLSID_Kavella, &CreateList};
    ComPtr<doubles::FakeAutomationObject> client = doubles::FakeAutomationObject::Create("client");
    ComPtr<doubles::EventSink> events = doubles::EventSink::Create(DIID___Inspecta, "host's event sink");
    ComPtr<doubles::PropertyNotifySink> notifications = doubles::PropertyNotifySink::Create("container's sink");
    ComPtr<Inspecta> control;
};

TEST_F(ControlTest, WithoutTheListControlCreationFailsSayingSoAndLeavesNothing) {
    listFailure = REGDB_E_CLASSNOTREG;
    EXPECT_EQ(ole::MakeObject(control), REGDB_E_CLASSNOTREG);
    EXPECT_NE(support::TakeErrorInfo().description.find(L"KavellaCtl.Kavella"), std::wstring::npos);
}

// What each assignment tells the container: a persisted property its own id, once; the client
// object and AutoWriteProperties nothing.
TEST_F(ControlTest, EachAssignmentNotifiesTheContainerAsItsPropertyIsPersistedAndTheFontReachesTheList) {
    MakeControl();
    EXPECT_EQ(notifications->ChangedIds(), std::vector<DISPID>{kDispidFont}) << "a new control takes the ambient font";
    Inspecta& c = *control.Get();
    const std::pair<std::function<HRESULT()>, std::vector<DISPID>> assignments[] = {
        {[&] { return c.put_AutoWriteProperties(VARIANT_FALSE); }, {}},
        {[&] { return c.put_AutoPopulate(VARIANT_FALSE); }, {kDispidAutoPopulate}},
        {[&] { return c.put_HideCustomItems(VARIANT_FALSE); }, {kDispidHideCustomItems}},
        {[&] { return c.put_HideReadOnlyItems(VARIANT_FALSE); }, {kDispidHideReadOnlyItems}},
        {[&] { return c.put_Enabled(VARIANT_FALSE); }, {kDispidEnabled}},
        {[&] { return c.putref_Font(support::MakeFont(L"Tahoma", 9).Get()); }, {kDispidFont}},
        {[&] { return c.putref_ClientObject(client.Get()); }, {}}};
    for (const auto& [assign, ids] : assignments) {
        notifications->ClearCalls();
        ASSERT_EQ(assign(), S_OK);
        EXPECT_EQ(notifications->ChangedIds(), ids) << "row " << (&assign - &assignments[0].first);
    }
    EXPECT_EQ(List()->LogStartingWith(L"Enabled="), std::vector<std::wstring>{L"Enabled=0"});

    // A font changed in place reaches the list; Nothing as the font keeps the font.
    ComPtr<IFontDisp> font, after;
    ASSERT_EQ(control->get_Font(font.Put()), S_OK);
    notifications->ClearCalls();
    List()->ClearLog();
    ASSERT_EQ(support::QueryAs<IFont>(font)->put_Bold(TRUE), S_OK);
    EXPECT_EQ(notifications->ChangedIds(), (std::vector<DISPID>{kDispidFont, kDispidFont}));
    EXPECT_EQ(List()->LogStartingWith(L"Font").size(), 1u);
    EXPECT_EQ(control->putref_Font(nullptr), ole::ControlErrorHResult(380));
    ASSERT_EQ(control->get_Font(after.Put()), S_OK);
    EXPECT_EQ(after.Get(), font.Get()) << "a refused font leaves the font as it was";
}

// F5 (116) and the list's request read the values again, markers untouched; the host hears only
// the filling's AfterPopulate (1), then an edit's PropertyChanged (2).
TEST_F(ControlTest, F5AndTheListsRequestReadTheValuesAgainTheHostHearsTheSupportObjectsEventsAndTeardownIsOrdered) {
    MakeControl();
    const ULONG references = client->RefCount();
    ASSERT_EQ(control->putref_ClientObject(client.Get()), S_OK);
    EXPECT_EQ(client->RefCount(), references) << "a client of this apartment is held uncounted";
    Item(L"Caption")->modified = Variant(true);
    std::wstring seen;
    for (const SHORT pressed : {65, 116}) {
        client->SetProperty(L"Caption", Variant(std::wstring_view(std::to_wstring(pressed))));
        SHORT key = pressed;
        ASSERT_EQ(List()->RaiseEvent(L"KeyDown", {ole::ShortReference(&key), ole::ShortArgument(3)}), S_OK);
        seen += Value(L"Caption") + std::to_wstring(key) + L" ";
    }
    client->SetProperty(L"Caption", Variant(std::wstring_view(L"B")));
    ASSERT_EQ(List()->RaiseEvent(L"RequestRefresh"), S_OK);
    EXPECT_EQ(seen + Value(L"Caption") + Marker(L"Caption"), L"'Hello'65 '116'116 'B'True");
    EXPECT_EQ(List()->ListenedPositions(), (std::vector<size_t>{0, 10, 32})) << "the control's and the engine's";

    Item(L"Caption")->value = Variant(std::wstring_view(L"Edited"));
    ASSERT_EQ(List()->RaiseItemChanged(Item(L"Caption")), S_OK);
    std::wstring heard;
    for (const auto& event : events->Events()) {
        heard += std::to_wstring(event.id);
        for (const Variant& argument : event.arguments) heard += L" " + Describe(argument.Get());
    }
    EXPECT_EQ(heard, L"12 'Caption' 'Edited'");

    // Teardown lets go of the client, then the list, then the support object.
    doubles::FakeList* const list = List();
    lists.clear();
    list->ClearLog();
    control.Reset();
    ASSERT_GE(list->Log().size(), 5u);
    EXPECT_EQ(std::vector<std::wstring>(list->Log().begin(), list->Log().begin() + 5),
              (std::vector<std::wstring>{L"PropertyItems", L"Clear", L"Unadvise", L"HostReadsValues=0", L"Unadvise"}));
    EXPECT_TRUE(list->IsDead()) << "the list goes with the control";
}

TEST_F(ControlTest, EachOptionSavedAwayFromItsDefaultComesBackAndTheFontObjectWithIt) {
    std::vector<std::pair<std::wstring, VARTYPE>> written;
    for (const std::wstring& key : kPersisted) written.emplace_back(key, key == kFont ? VT_DISPATCH : VT_BOOL);
    for (const bool textOnly : {false, true}) {
        for (const std::wstring& option : kPersisted) {
            if (option == kFont) continue;
            SCOPED_TRACE(testing::Message() << option << (textOnly ? " in a text bag" : ""));
            MakeControl();
            ASSERT_EQ(ole::PutProperty(As<IDispatch>().Get(), option.c_str(), Variant(false).Get()), S_OK);
            const ComPtr<RecordingPropertyBag> bag = RecordingPropertyBag::Create(textOnly);
            ASSERT_EQ(As<IPersistPropertyBag>()->Save(bag.Get(), TRUE, TRUE), S_OK);
            EXPECT_EQ(bag->RefCount(), 1u) << "the container's bag is not kept";
            EXPECT_EQ(bag->WrittenTypes(), written);
            ComPtr<IFontDisp> saved;
            ASSERT_EQ(control->get_Font(saved.Put()), S_OK);
            MakeControl(false);
            ASSERT_EQ(As<IPersistPropertyBag>()->Load(bag.Get(), nullptr), S_OK);
            ExpectPersisted(option, saved.Get());
        }
    }
}

// Only an absent key (the bag's E_INVALIDARG) takes its default; any other failing read, or a
// stored value of the wrong kind, fails the load.
TEST_F(ControlTest, AbsentKeysTakeTheirDefaultsAndTheContainersFontAndAWrongValueFailsTheLoad) {
    constexpr HRESULT kTypeMismatch = static_cast<HRESULT>(0x800A000D);
    const ComPtr<doubles::RecordingContainer> container = doubles::RecordingContainer::Create();
    const ComPtr<IFontDisp> ambient = support::MakeFont(L"Arial", 12);
    container->SetAmbientFont(ambient.Get());
    std::vector<std::wstring> reads;
    for (const std::wstring& key : kPersisted) reads.push_back(L"Read " + key);
    const struct { const wchar_t* key; Variant value; HRESULT readFailure, result; } bags[] = {
        {L"", Variant(), S_OK, S_OK},
        {L"AutoPopulate", Variant(false), S_OK, S_OK},
        {L"HideCustomItems", Variant(std::wstring_view(L"perhaps")), S_OK, kTypeMismatch},
        {L"Font", Variant(LONG{3}), S_OK, kTypeMismatch},
        {L"Font", Variant(static_cast<IDispatch*>(nullptr)), S_OK, ole::ControlErrorHResult(380)},
        {L"Enabled", Variant(), E_OUTOFMEMORY, E_OUTOFMEMORY},
        {L"Font", Variant(), DISP_E_TYPEMISMATCH, kTypeMismatch}};
    for (const auto& stored : bags) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(stored.key)) << " failing with "
                                        << std::hex << stored.readFailure);
        MakeControl(false);
        ASSERT_EQ(As<IOleObject>()->SetClientSite(container.Get()), S_OK);
        const ComPtr<RecordingPropertyBag> bag = RecordingPropertyBag::Create();
        if (FAILED(stored.readFailure)) bag->FailRead(stored.key, stored.readFailure);
        else if (*stored.key) bag->Set(stored.key, stored.value.Get());
        EXPECT_EQ(As<IPersistPropertyBag>()->Load(bag.Get(), nullptr), stored.result);
        if (FAILED(stored.result)) continue;
        EXPECT_EQ(bag->Calls(), reads);
        ExpectPersisted(stored.key, ambient.Get());
    }
}

TEST_F(ControlTest, ShowingDropsEditsNotYetWritten) {
    MakeControl();
    ASSERT_EQ(control->put_AutoWriteProperties(VARIANT_FALSE), S_OK);
    ASSERT_EQ(control->putref_ClientObject(client.Get()), S_OK);
    Item(L"Caption")->value = Variant(std::wstring_view(L"Edited"));
    ASSERT_EQ(List()->RaiseItemChanged(Item(L"Caption")), S_OK);
    const ComPtr<doubles::RecordingContainer> container = doubles::RecordingContainer::Create();
    const ComPtr<IOleObject> object = As<IOleObject>();
    ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    RECT position{10, 20, 210, 120};
    ASSERT_EQ(object->DoVerb(OLEIVERB_SHOW, nullptr, container.Get(), 0, container->Window(), &position), S_OK);
    EXPECT_EQ(Value(L"Caption") + Marker(L"Caption"), L"'Hello'False");
    EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
}

// A thread of the multithreaded apartment binds its own client through the proxy COM gives it, as a host on another
// thread does; it notes each call's result, and each binding's references to the client once the call has returned.
struct SecondThread {
    IStream* marshaledControl = nullptr;
    doubles::FakeAutomationObject* client = nullptr;
    std::vector<LONG> seen;
};

DWORD WINAPI BindFromAnotherApartment(void* context) {
    auto& thread = *static_cast<SecondThread*>(context);
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    {
        ComPtr<IDispatch> control;
        const LONG before = static_cast<LONG>(thread.client->RefCount());
        const auto bind = [&](IDispatch* client) {
            const HRESULT hr = ole::PutProperty(control.Get(), L"ClientObject", Variant(client).Get());
            thread.seen.insert(thread.seen.end(), {hr, static_cast<LONG>(thread.client->RefCount()) - before});
        };
        if (SUCCEEDED(CoGetInterfaceAndReleaseStream(thread.marshaledControl, IID_IDispatch, control.PutVoid()))) {
            bind(thread.client);
            // Without the proxy kept, this call would reach freed memory.
            if (thread.seen[1] > 0) thread.seen.push_back(ole::CallMethod(control.Get(), L"RefreshValues", {}, {}));
            bind(nullptr);
        }
    }
    CoUninitialize();
    return 0;
}

TEST_F(ControlTest, AClientFromAnotherApartmentLivesUntilItIsReplaced) {
    MakeControl();
    SecondThread thread{nullptr, client.Get(), {}};
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IDispatch, static_cast<_Inspecta*>(control.Get()),
                                                    &thread.marshaledControl), S_OK);
    HANDLE handle = CreateThread(nullptr, 0, &BindFromAnotherApartment, &thread, 0, nullptr);
    ASSERT_NE(handle, nullptr);
    DWORD signalled = 0;  // this apartment answers the second thread's calls until it is done
    EXPECT_EQ(CoWaitForMultipleHandles(0, INFINITE, 1, &handle, &signalled), S_OK);
    CloseHandle(handle);
    ASSERT_EQ(thread.seen.size(), 5u) << "nothing kept the client's proxy once the call returned";
    EXPECT_GT(thread.seen[1], 0);
    EXPECT_EQ(thread.seen, (std::vector<LONG>{S_OK, thread.seen[1], S_OK, S_OK, 0})) << "a new client lets it go";
}

// What the error routine makes of numbers, descriptions and arguments; number 0 raises the error
// pending on the thread again. Twelve arguments, 101 to 112, tell %12 from %1 followed by a 2.
TEST(RaiseErrorTest, EachErrorReachesTheHostUnderItsNumberTheLibrarysNameAndItsDescription) {
    std::vector<VARIANT> twelve;
    for (LONG i = 101; i <= 112; ++i) twelve.push_back(ole::LongArgument(i));
    const ole::Bstr caption(L"Caption");
    const VARIANT mixed[] = {ole::TextArgument(caption.Get()), ole::BooleanArgument(VARIANT_TRUE)};
    const struct { long number; const wchar_t* description; std::span<const VARIANT> arguments; const wchar_t* raised; }
        rows[] = {
        {1000, L"", {}, L"Application-defined or object-defined error"},
        {5, L"%1 and %2, %1 again", {twelve.data(), 2}, L"101 and 102, 101 again"},
        {5, L"[%12] [%1]", twelve, L"[112] [101]"}, {5, L"%1 %2 %3", {twelve.data(), 2}, L"101 102 %3"},
        {5, L"%1 %2", {}, L"%1 %2"}, {5, L"%1=%2", mixed, L"Caption=True"}, {0, L"ignored", {}, L"Disk full"}};
    for (const auto& row : rows) {
        ole::PublishErrorInfo(L"Client.Object", L"Disk full");
        const HRESULT pending = ole::ControlErrorHResult(61);
        EXPECT_EQ(RaiseError(row.number, row.description, row.arguments, pending),
                  row.number ? ole::ControlErrorHResult(static_cast<WORD>(row.number)) : pending);
        const support::RaisedError raised = support::TakeErrorInfo();
        // Inside control_tests.exe; in the library the source reads Inspecta2.Inspecta.
        EXPECT_EQ(raised.source + L": " + raised.description, L"control_tests.Inspecta: " + std::wstring(row.raised));
    }
}

}  // namespace
