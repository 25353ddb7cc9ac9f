#include "ole/arguments.h"
#include "ole/automation_error.h"
#include "ole/class_factory.h"
#include "ole/error_info.h"
#include "ole/error_suppression.h"
#include "ole/late_bound.h"
#include "tests/doubles/fake_automation_object.h"
#include "tests/ole/test_controls.h"
#include "tests/support/com_helpers.h"

#include <new>
#include <thread>
#include <tuple>

namespace {

using doubles::FakeAutomationObject;
using ole::Bstr;
using ole::ComPtr;
using ole::Variant;
using Types = std::vector<VARTYPE>;

TEST(OwnerTest, BstrKeepsEmbeddedNullsAndVariantHoldsItsOwnReference) {
    const std::wstring_view text(L"a\0b", 3);
    EXPECT_EQ(ole::Bstr(text).View(), text);

    // The leak check sees that the last of them is released.
    ComPtr<FakeAutomationObject> object = FakeAutomationObject::Create("object");
    Variant held(static_cast<IDispatch*>(object.Get()));
    Variant moved(std::move(held));
    Variant copy;
    ASSERT_EQ(copy.CopyFrom(moved.Get()), S_OK);
    EXPECT_EQ(object->RefCount(), 3u) << "a move transfers the reference, a copy takes one";
    EXPECT_EQ(V_VT(moved.Out()), VT_EMPTY) << "Out hands an empty slot";
    copy = Variant(LONG{1});
    EXPECT_EQ(object->RefCount(), 1u) << "Out and assignment release what was held";
    VARIANT raw;
    Variant(static_cast<IDispatch*>(object.Get())).Detach(&raw);
    copy = Variant::Attach(raw);
    EXPECT_EQ(V_VT(&raw), VT_EMPTY);
    EXPECT_EQ(object->RefCount(), 2u) << "Detach hands the reference on, Attach adopts it";
    Variant converted(LONG{5});
    EXPECT_EQ(ole::ChangeType(converted, copy.Get(), VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(converted.IsEmpty()) << "a failed conversion leaves nothing";
}

TEST(ErrorSuppressionRegionTest, EveryStepRunsTheLastFailureIsKeptAndNoErrorEscapes) {
    ole::PublishErrorInfo(L"Earlier", L"before the region");
    std::vector<int> ran;
    {
        ole::ErrorSuppressionRegion region;
        EXPECT_FALSE(support::TakeErrorInfo().present) << "entering clears the pending error";
        ole::PublishErrorInfo(L"Earlier", L"again");
        region.Attempt([&] { return ran.push_back(1), DISP_E_MEMBERNOTFOUND; });
        region.Attempt([&] { return ran.push_back(2), S_FALSE; });
        EXPECT_EQ(ran, (std::vector<int>{1, 2}));
        EXPECT_EQ(region.Error(), DISP_E_MEMBERNOTFOUND) << "a later success does not clear the pending error";
        region.Attempt([]() -> HRESULT { throw std::bad_alloc(); });
        EXPECT_EQ(region.Error(), E_OUTOFMEMORY) << "a later failure replaces it, as the error object's does";
    }
    EXPECT_FALSE(support::TakeErrorInfo().present) << "leaving clears what the steps published";
}

class LateBoundTest : public testing::Test {
protected:
    void SetUp() override {
        client->SetProperty(L"Caption", Variant(std::wstring_view(L"Hello")));
        client->SetProperty(L"Count", Variant(LONG{7}));
        client->ClearCalls();
    }
    // The kind and argument types of the last call, after exactly one lookup.
    std::pair<WORD, Types> LastCall() {
        EXPECT_EQ(client->Calls().size(), 2u);
        std::pair<WORD, Types> last{client->Calls().back().kind, client->Calls().back().argumentTypes};
        client->ClearCalls();
        return last;
    }

    ComPtr<FakeAutomationObject> client = FakeAutomationObject::Create();
};

// The lookup, the id it gives and US English are every binding test's; the kind of call is this one's.
TEST_F(LateBoundTest, ReadIsAPropertyGetAssignmentGoesByValueUnlessAnObjectReferenceAndArgumentsGoInNaturalOrder) {
    Variant read;
    ASSERT_EQ(ole::GetProperty(client.Get(), L"caption", read), S_OK);
    EXPECT_EQ(LastCall(), std::pair(WORD{DISPATCH_PROPERTYGET}, Types{}));
    ComPtr<FakeAutomationObject> font = FakeAutomationObject::Create("font");
    const Variant number(LONG{42}), object(static_cast<IDispatch*>(font.Get()));
    const Variant nullObject(static_cast<IDispatch*>(nullptr)), unknownObject(static_cast<IUnknown*>(font.Get()));
    const VARIANT objectByReference = ole::VariantReference(const_cast<VARIANT*>(&object.Get()));
    for (const VARIANT* value : {&number.Get(), &object.Get(), &nullObject.Get(), &unknownObject.Get(),
                                 static_cast<const VARIANT*>(&objectByReference)}) {
        ASSERT_EQ(ole::PutProperty(client.Get(), L"Caption", *value), S_OK);
        const WORD kind = value == &number.Get() ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYPUTREF;
        EXPECT_EQ(LastCall(), std::pair(kind, Types{V_VT(value)})) << "value of type " << V_VT(value);
    }

    std::vector<Variant> owned;
    std::vector<VARIANT> arguments;
    Types types;
    for (LONG i = 0; i < 10; ++i) {
        owned.emplace_back(i % 2 ? Variant(i) : Variant(std::wstring_view(L"x")));
        arguments.push_back(owned.back().Get());
        types.push_back(owned.back().Type());
    }
    for (size_t count : {size_t{2}, size_t{10}}) {  // within and beyond the inline argument buffer
        ole::CallMethod(client.Get(), L"Count", {arguments.data(), count}, nullptr);
        EXPECT_EQ(LastCall(), std::pair(WORD{DISPATCH_METHOD}, Types(types.begin(), types.begin() + count)));
    }
}

TEST_F(LateBoundTest, TheClientsExceptionBecomesErrorInfoAndOtherFailuresClearAStaleOne) {
    client->FailOn(L"Count", DISPATCH_PROPERTYPUT, E_INVALIDARG, L"Client.Source", L"Invalid property value");
    EXPECT_EQ(ole::PutProperty(client.Get(), L"Count", Variant(LONG{1}).Get()), E_INVALIDARG);
    EXPECT_EQ(support::TakeErrorInfo().description, L"Invalid property value");
    client->SetProperty(L"Locked", Variant(LONG{1}), FakeAutomationObject::Access::ReadOnly);
    client->FailOn(L"Caption", FakeAutomationObject::kLookup, E_FAIL);
    const struct { const wchar_t* member; bool write; HRESULT expected; size_t calls; } failures[] = {
        {L"Locked", true, DISP_E_MEMBERNOTFOUND, 2}, {L"Caption", false, E_FAIL, 1}};
    for (const auto& failure : failures) {
        client->ClearCalls();
        ole::PublishErrorInfo(L"Stale", L"left over from an earlier call");
        Variant value(LONG{5});
        const HRESULT hr = failure.write ? ole::PutProperty(client.Get(), failure.member, value.Get())
                                         : ole::GetProperty(client.Get(), failure.member, value);
        EXPECT_EQ(hr, failure.expected) << failure.member;
        EXPECT_EQ(client->Calls().size(), failure.calls) << "nothing is invoked after a failed lookup";
        EXPECT_FALSE(support::TakeErrorInfo().present) << failure.member;
        EXPECT_EQ(value.IsEmpty(), !failure.write) << "a failed read leaves no value behind";
    }
    Variant value;
    EXPECT_EQ(ole::GetProperty(nullptr, L"Caption", value), E_POINTER);
}

HRESULT STDAPICALLTYPE FillInInvalidKey(EXCEPINFO* deferred) {
    deferred->wCode = 35603;
    deferred->bstrSource = SysAllocString(L"Deferred.Source");
    return S_OK;
}

TEST(ErrorNumberTest, DeferredInformationIsFilledInAndNumbersBelow65536AreOffsetIntoTheControlFacility) {
    EXCEPINFO exception{}, bare{};
    exception.pfnDeferredFillIn = FillInInvalidKey;
    EXPECT_EQ(ole::TakeException(exception), static_cast<HRESULT>(0x800A8B13));
    EXPECT_EQ(exception.bstrSource, nullptr) << "the strings moved to the error info";
    EXPECT_EQ(support::TakeErrorInfo().source, L"Deferred.Source");
    EXPECT_EQ(ole::TakeException(bare), DISP_E_EXCEPTION);
    ole::ClearErrorInfo();
    const std::pair<long, HRESULT> cases[] = {{380, HRESULT(0x800A017C)}, {65535, HRESULT(0x800AFFFF)},
                                              {E_ACCESSDENIED, E_ACCESSDENIED}, {0, E_FAIL}, {70000, E_FAIL}};
    for (const auto& [number, expected] : cases) EXPECT_EQ(ole::AutomationErrorHResult(number), expected) << number;
}

// What a host holds of a control it drives through automation only.
class DispatchTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ole::MakeObject<TestControl>(IID_IDispatch, dispatch.PutVoid()), S_OK);
        ASSERT_EQ(dispatch.As(&control), S_OK);
    }

    // IDispatch::Invoke as a script host makes it, arguments last first.
    HRESULT InvokeRaw(DISPID id, WORD kind, std::vector<VARIANT> arguments, EXCEPINFO* exception) {
        DISPID named = DISPID_PROPERTYPUT;
        const bool put = kind & DISPATCH_PROPERTYPUT;
        DISPPARAMS parameters{arguments.data(), put ? &named : nullptr, static_cast<UINT>(arguments.size()),
                              put ? 1u : 0u};
        UINT argumentError = 0;
        Variant ignored;
        return dispatch->Invoke(id, IID_NULL, 1033, kind, &parameters, ignored.Out(), exception, &argumentError);
    }

    ComPtr<IDispatch> dispatch;
    ComPtr<ITestControl> control;
};

// An automation error as each kind of caller reads it: early bound through error info, late
// bound through EXCEPINFO, and through our late-bound helper as error info again.
TEST_F(DispatchTest, EveryKindOfCallerReadsTheSameErrorAndNeverAStaleOne) {
    const Bstr source(L"Lib.Control"), description(L"Invalid Key");
    EXPECT_EQ(control->Raise(35603, source.Get(), description.Get()), static_cast<HRESULT>(0x800A8B13));
    const support::RaisedError raised = support::TakeErrorInfo();
    EXPECT_EQ(raised.description, L"Invalid Key");
    EXPECT_EQ(raised.guid, IID_ITestControl);

    EXCEPINFO exception{};
    const VARIANT arguments[] = {ole::LongArgument(380), ole::TextArgument(source.Get()),
                                 ole::TextArgument(description.Get())};
    ASSERT_EQ(InvokeRaw(3, DISPATCH_METHOD, {arguments[2], arguments[1], arguments[0]}, &exception), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.wCode, 0);
    EXPECT_EQ(ole::TakeException(exception), static_cast<HRESULT>(0x800A017C));
    EXPECT_EQ(support::TakeErrorInfo().source, L"Lib.Control");
    EXPECT_EQ(ole::CallMethod(dispatch.Get(), L"Raise", arguments, nullptr), static_cast<HRESULT>(0x800A017C));
    EXPECT_EQ(support::TakeErrorInfo().source, L"Lib.Control");

    // The host never reads an error; then a method fails without error info of its own.
    EXPECT_TRUE(FAILED(control->Raise(5, source.Get(), description.Get())));
    const HRESULT hr = InvokeRaw(2, DISPATCH_PROPERTYPUT, {ole::LongArgument(-1)}, &exception);
    EXPECT_EQ(hr == DISP_E_EXCEPTION ? ole::TakeException(exception) : hr, E_INVALIDARG);
    EXPECT_EQ(support::TakeErrorInfo().source, L"") << "stale source reported";
}

// Names are the type information's, in any case; a name found before is found the same again, an
// unknown one fails each time, and a method's parameter names come with it.
TEST_F(DispatchTest, NamesAreFoundInAnyCaseAsOftenAsAsked) {
    const std::tuple<std::vector<const wchar_t*>, HRESULT, std::vector<DISPID>> rows[] = {
        {{L"Count"}, S_OK, {2}}, {{L"COUNT"}, S_OK, {2}}, {{L"Count"}, S_OK, {2}},
        {{L"Nope"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}}, {{L"Nope"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
        {{L"Raise"}, S_OK, {3}}, {{L"Raise", L"source"}, S_OK, {3, 1}}};
    for (const auto& [given, hr, expected] : rows) {
        std::vector<LPOLESTR> names;
        for (const wchar_t* name : given) names.push_back(const_cast<LPOLESTR>(name));
        std::vector<DISPID> ids(names.size(), 77);
        EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()), 1033, ids.data()),
                  hr);
        EXPECT_EQ(ids, expected) << given[0];
    }
}

// Counts, member ids, names and conversions are the type information's to check; the interface id
// is ours, and calls whose DISPPARAMS contradict their own counts are answered before anything reads them.
TEST_F(DispatchTest, AnotherInterfacesIdsAndParametersThatContradictTheirCountsAreRefused) {
    DISPPARAMS none{};
    EXPECT_EQ(dispatch->Invoke(2, IID_ITestControl, 1033, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    VARIANT value = ole::LongArgument(5);
    DISPID named[] = {DISPID_PROPERTYPUT, 1};
    DISPPARAMS rows[] = {{nullptr, named, 1, 1}, {&value, nullptr, 1, 1}, {&value, named, 1, 2}};
    DISPPARAMS* given[] = {nullptr, &rows[0], &rows[1], &rows[2]};
    const HRESULT expected[] = {E_INVALIDARG, E_INVALIDARG, E_INVALIDARG, DISP_E_BADPARAMCOUNT};
    for (size_t i = 0; i < std::size(given); ++i) {
        EXPECT_EQ(dispatch->Invoke(2, IID_NULL, 1033, DISPATCH_PROPERTYPUT, given[i], nullptr, nullptr, nullptr),
                  expected[i]) << "row " << i;
    }
}

using ole::InterfaceEntry;

// A class of two interfaces, one of which derives from a third, whose construction may fail either way.
class Widget final : public ole::ComObject<Widget, IProvideClassInfo2, ISupportErrorInfo> {
public:
    enum class Construction { Normal, ThrowInConstructor, FailFinalConstruct };

    Widget(int& destroyed, Construction construction) : destroyed_(destroyed), construction_(construction) {
        if (construction == Construction::ThrowInConstructor) throw std::bad_alloc();
        // A self-reference taken and dropped while constructing must not destroy the object.
        (void)ComPtr<IUnknown>(static_cast<IProvideClassInfo2*>(this));
    }
    HRESULT FinalConstruct() noexcept {
        (void)ComPtr<ISupportErrorInfo>(this);
        return construction_ == Construction::FailFinalConstruct ? E_ACCESSDENIED : S_OK;
    }
    static std::span<const InterfaceEntry> InterfaceTable() noexcept {
        static constexpr InterfaceEntry table[] = {ole::Implements<Widget, IProvideClassInfo2>(),
                                                   ole::Implements<Widget, IProvideClassInfo, IProvideClassInfo2>(),
                                                   ole::Implements<Widget, ISupportErrorInfo>()};
        return table;
    }
    IFACEMETHODIMP GetClassInfo(ITypeInfo**) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetGUID(DWORD, GUID*) override { return E_NOTIMPL; }
    IFACEMETHODIMP InterfaceSupportsErrorInfo(REFIID) override { return S_FALSE; }

private:
    // Teardown passes the object on, as a control's does when it tells its site; that reference
    // must not destroy it a second time.
    ~Widget() override {
        (void)ComPtr<ISupportErrorInfo>(this);
        ++destroyed_;
    }

    int& destroyed_;
    Construction construction_;
};

class ComObjectTest : public testing::Test {
protected:
    int destroyed = 0;
    const long liveAtStart = ole::Module::ObjectCount();
};

// Counting and the module count are every test's (the leak check); identity and failed creation are
// this one's: the objects refused or made without the interface asked for are gone, two of them.
TEST_F(ComObjectTest, FailedCreationLeavesNothingAndAMadeObjectHasOneIdentityAndDiesWithTheLastReference) {
    ComPtr<Widget> widget;
    EXPECT_EQ(ole::MakeObject(widget, destroyed, Widget::Construction::FailFinalConstruct), E_ACCESSDENIED);
    EXPECT_EQ(ole::MakeObject(widget, destroyed, Widget::Construction::ThrowInConstructor), E_OUTOFMEMORY);
    EXPECT_EQ(widget, nullptr);
    void* sentinel = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(ole::MakeObject<Widget>(IID_IDispatch, &sentinel, destroyed, Widget::Construction::Normal),
              E_NOINTERFACE);
    EXPECT_EQ(std::pair(sentinel, destroyed), (std::pair<void*, int>(nullptr, 2)));

    ASSERT_EQ(ole::MakeObject(widget, destroyed, Widget::Construction::Normal), S_OK);
    auto errors = support::QueryAs<ISupportErrorInfo>(widget);
    auto info = support::QueryAs<IProvideClassInfo>(widget);
    EXPECT_EQ(support::QueryAs<IUnknown>(errors), support::QueryAs<IUnknown>(info));
    sentinel = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(widget->QueryInterface(IID_IDispatch, &sentinel), E_NOINTERFACE);
    EXPECT_EQ(sentinel, nullptr);
    info.Reset();
    widget.Reset();
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(errors.Reset(), 0u) << "the last Release reports no references left";
    EXPECT_EQ(destroyed, 3);
}

// Both threads start together and count as fast as they can, so that an increment that is not atomic loses counts.
TEST_F(ComObjectTest, ModuleCountsAreRightAcrossThreads) {
    HANDLE start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto churn = [&] {
        WaitForSingleObject(start, INFINITE);
        for (int i = 0; i < 2000000; ++i) {
            ole::ModuleObject counted;
            ole::Module::Lock();
            ole::Module::Unlock();
        }
    };
    std::thread one(churn), two(churn);
    SetEvent(start);
    one.join();
    two.join();
    CloseHandle(start);
    EXPECT_EQ(ole::Module::ObjectCount(), liveAtStart);
    EXPECT_EQ(ole::Module::LockCount(), 0);
}

const ole::ServedClass kServed[] = {{&CLSID_TestControl, &ole::CreateInstanceOf<TestControl>}};

// What a DLL's DllGetClassObject and DllCanUnloadNow answer over the life of its objects.
TEST_F(ComObjectTest, ClassFactoryMakesObjectsAndHoldsTheModuleWhileItOrALockLives) {
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(ole::GetClassObject(kServed, CLSID_StdFont, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(ole::GetClassObject(kServed, CLSID_TestControl, IID_IClassFactory, factory.PutVoid()), S_OK);
    EXPECT_EQ(ole::CanUnloadNow(), S_FALSE) << "a live class factory holds the module";
    ComPtr<IUnknown> outer;
    ASSERT_EQ(factory.As(&outer), S_OK);
    for (const auto& [aggregate, iid, expected] : {std::tuple{true, IID_IUnknown, CLASS_E_NOAGGREGATION},
                                                   std::tuple{false, IID_IClassFactory, E_NOINTERFACE}}) {
        object = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(factory->CreateInstance(aggregate ? outer.Get() : nullptr, iid, &object), expected);
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(ole::Module::ObjectCount(), liveAtStart + 1) << "a refused creation leaves nothing behind";

    ComPtr<ITestControl> control;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_ITestControl, control.PutVoid()), S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    outer.Reset();
    factory.Reset();
    EXPECT_EQ(control.Reset(), 0u);
    EXPECT_EQ(ole::CanUnloadNow(), S_FALSE) << "the server lock still holds the module";
    ASSERT_EQ(ole::GetClassObject(kServed, CLSID_TestControl, IID_IClassFactory, factory.PutVoid()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK) << "a lock may be released through another factory";
    EXPECT_EQ(factory->LockServer(FALSE), E_UNEXPECTED) << "an unbalanced unlock is refused";
}

}  // namespace
