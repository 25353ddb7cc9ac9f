#include "ole/class_factory.h"
#include "tests/ole/test_controls.h"
#include "tests/support/com_helpers.h"

#include <thread>
#include <tuple>

namespace {

using ole::ComPtr;
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

// Both threads start together and count as fast as they can, so that an increment that is not
// atomic loses counts.
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
