#include "tests/ole/test_controls.h"

#include "ole/registration.h"
#include "ole/type_library.h"
#include "tests/support/registry.h"

#include <gtest/gtest.h>

namespace runtime_tests {
namespace {

using support::GuidText;
using support::RegistryKeyExists;
using support::RegistryString;

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
                                                &LIBID_RuntimeTestLib, L"1.2", 0x20191, 30000, L"Apartment"};
    const std::wstring classKey = L"CLSID\\" + GuidText(CLSID_TestControl);
    const std::wstring typeLibKey = L"TypeLib\\" + GuidText(LIBID_RuntimeTestLib);
    const std::wstring server = ole::ModuleFileName();
};

// What is written is checked key by key for both products (server_tests); here, what removal and
// a failed registration leave behind.
TEST_F(RegistrationTest, RemovalLeavesOnlyAProgIdTakenOverByAnotherClassAndAFailureLeavesNothing) {
    ASSERT_EQ(ole::RegisterControlServer(registration), S_OK);
    EXPECT_EQ(RegistryString(scratch, classKey + L"\\InprocServer32"), server);
    ASSERT_EQ(ole::UnregisterControlServer(registration), S_OK);
    for (const std::wstring& key : {classKey, std::wstring(L"RuntimeTestLib.TestControl"), typeLibKey,
                                    L"Interface\\" + GuidText(IID_ITestControl)}) {
        EXPECT_FALSE(RegistryKeyExists(scratch, key)) << key;
    }
    EXPECT_EQ(ole::UnregisterControlServer(registration), S_OK) << "removing what is absent is no failure";

    ASSERT_EQ(ole::RegisterControl(registration, server), S_OK);
    const std::wstring other = GuidText(CLSID_StdFont);
    ASSERT_EQ(RegSetKeyValueW(scratch, L"RuntimeTestLib.TestControl\\CLSID", nullptr, REG_SZ, other.c_str(),
                              static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    ASSERT_EQ(ole::UnregisterControl(registration), S_OK);
    EXPECT_FALSE(RegistryKeyExists(scratch, classKey));
    EXPECT_EQ(RegistryString(scratch, L"RuntimeTestLib.TestControl\\CLSID"), other);

    ole::ControlRegistration broken = registration;
    broken.progId = L"";  // would name the root of the classes
    EXPECT_EQ(ole::RegisterControlServer(broken), E_INVALIDARG);
    EXPECT_EQ(RegistryString(scratch, L""), L"<absent>") << "nothing written into the root";
    EXPECT_FALSE(RegistryKeyExists(scratch, classKey));
    EXPECT_FALSE(RegistryKeyExists(scratch, typeLibKey));
}

}  // namespace
}  // namespace runtime_tests
