#include "tests/runtime/test_control.h"

#include "ole/class_factory.h"
#include "ole/registration.h"
#include "ole/type_library.h"
#include "tests/support/registry.h"

#include <gtest/gtest.h>

#include <thread>

namespace runtime_tests {
namespace {

using ole::ComPtr;
using support::GuidText;
using support::RegistryKeyExists;
using support::RegistryString;

const ole::ServedClass kServed[] = {{&CLSID_TestControl, &ole::CreateInstanceOf<TestControl>}};

// What a DLL's DllGetClassObject and DllCanUnloadNow answer over the life of its objects.
class ClassFactoryTest : public testing::Test {
protected:
    const long liveAtStart = ole::Module::ObjectCount();
    const long locksAtStart = ole::Module::LockCount();
};

TEST_F(ClassFactoryTest, FactoryMakesObjectsAndCountsTheModule) {
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(ole::GetClassObject(kServed, CLSID_StdFont, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(ole::GetClassObject(kServed, CLSID_TestControl, IID_IClassFactory, factory.PutVoid()), S_OK);
    EXPECT_EQ(ole::CanUnloadNow(), S_FALSE) << "a live class factory holds the module";

    ComPtr<IUnknown> outer;
    ASSERT_EQ(factory.As(&outer), S_OK);
    object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(ole::Module::ObjectCount(), liveAtStart + 1) << "a refused creation leaves nothing behind";

    ComPtr<ITestControl> control;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_ITestControl, control.PutVoid()), S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    outer.Reset();
    factory.Reset();
    EXPECT_EQ(control.Reset(), 0u);
    EXPECT_EQ(ole::CanUnloadNow(), S_FALSE) << "the server lock still holds the module";
    ComPtr<IClassFactory> another;
    ASSERT_EQ(ole::GetClassObject(kServed, CLSID_TestControl, IID_IClassFactory, another.PutVoid()), S_OK);
    EXPECT_EQ(another->LockServer(FALSE), S_OK) << "a lock may be released through another factory";
    EXPECT_EQ(another->LockServer(FALSE), E_UNEXPECTED) << "an unbalanced unlock is refused";
    another.Reset();
    EXPECT_EQ(ole::Module::LockCount(), locksAtStart);
    EXPECT_EQ(ole::Module::ObjectCount(), liveAtStart);
    if (liveAtStart == 0 && locksAtStart == 0) {
        EXPECT_EQ(ole::CanUnloadNow(), S_OK);
    }
}

TEST_F(ClassFactoryTest, TwoApartmentsCreateAndDestroyControlsAtOnce) {
    auto apartment = [](HRESULT& failure) {
        failure = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(failure)) return;
        for (int i = 0; i < 200 && SUCCEEDED(failure); ++i) {
            ComPtr<IClassFactory> factory;
            failure = ole::GetClassObject(kServed, CLSID_TestControl, IID_IClassFactory, factory.PutVoid());
            ComPtr<IDispatch> control;
            if (SUCCEEDED(failure)) failure = factory->CreateInstance(nullptr, IID_IDispatch, control.PutVoid());
            LPOLESTR names[] = {const_cast<LPOLESTR>(L"Count")};
            DISPID id = 0;
            if (SUCCEEDED(failure)) failure = control->GetIDsOfNames(IID_NULL, names, 1, 1033, &id);
        }
        CoUninitialize();
    };
    HRESULT first = E_FAIL, second = E_FAIL;
    std::thread one(apartment, std::ref(first));
    std::thread two(apartment, std::ref(second));
    one.join();
    two.join();
    EXPECT_EQ(first, S_OK);
    EXPECT_EQ(second, S_OK);
    EXPECT_EQ(ole::Module::ObjectCount(), liveAtStart);
    EXPECT_EQ(ole::Module::LockCount(), locksAtStart);
}

// Registration is written into a scratch key that stands in for HKEY_CLASSES_ROOT, so that the
// test leaves the machine as it found it.
class RegistrationTest : public testing::Test {
protected:
    static constexpr wchar_t kScratch[] = L"Software\\InspectaRuntimeTests\\Classes";

    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch,
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, scratch), ERROR_SUCCESS);
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        RegCloseKey(scratch);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\InspectaRuntimeTests");
    }

    HKEY scratch = nullptr;
    const ole::ControlRegistration registration{&CLSID_TestControl, L"TestControl", L"RuntimeTestLib.TestControl",
                                                &LIBID_RuntimeTestLib,  L"1.2",       0x20191,
                                                30000,                  L"Apartment"};
    const std::wstring classKey = L"CLSID\\" + GuidText(CLSID_TestControl);
    const std::wstring server = ole::ModuleFileName();
};

// What is written is checked key by key for both products (server_tests); here, that removal
// and a failed registration leave nothing behind.
TEST_F(RegistrationTest, RemovalAndAFailedRegistrationLeaveNothingBehind) {
    ASSERT_EQ(ole::RegisterControlServer(registration), S_OK);
    EXPECT_EQ(RegistryString(scratch, classKey + L"\\InprocServer32"), server);
    ASSERT_EQ(ole::UnregisterControlServer(registration), S_OK);
    EXPECT_FALSE(RegistryKeyExists(scratch, classKey));
    EXPECT_FALSE(RegistryKeyExists(scratch, L"RuntimeTestLib.TestControl"));
    EXPECT_FALSE(RegistryKeyExists(scratch, L"TypeLib\\" + GuidText(LIBID_RuntimeTestLib)));
    EXPECT_FALSE(RegistryKeyExists(scratch, L"Interface\\" + GuidText(IID_ITestControl)));
    EXPECT_EQ(ole::UnregisterControlServer(registration), S_OK) << "removing what is absent is no failure";

    // A step that fails leaves nothing half-written behind.
    ole::ControlRegistration broken = registration;
    broken.progId = L"";  // would name the root of the classes
    EXPECT_EQ(ole::RegisterControlServer(broken), E_INVALIDARG);
    EXPECT_EQ(RegistryString(scratch, L""), L"<absent>") << "nothing written into the root";
    EXPECT_FALSE(RegistryKeyExists(scratch, classKey));
    EXPECT_FALSE(RegistryKeyExists(scratch, L"TypeLib\\" + GuidText(LIBID_RuntimeTestLib)));
}

TEST_F(RegistrationTest, AProgIdTakenOverByAnotherClassSurvivesRemoval) {
    ASSERT_EQ(ole::RegisterControl(registration, server), S_OK);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(scratch, L"RuntimeTestLib.TestControl\\CLSID", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring other = GuidText(CLSID_StdFont);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(other.c_str()),
                   static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    ASSERT_EQ(ole::UnregisterControl(registration), S_OK);
    EXPECT_FALSE(RegistryKeyExists(scratch, classKey));
    EXPECT_EQ(RegistryString(scratch, L"RuntimeTestLib.TestControl\\CLSID"), other);
}

}  // namespace
}  // namespace runtime_tests
