// Both libraries as a host meets them: the built files loaded by path, and their registration and
// its removal in the test prefix's registry. What the registration writes, and what the shipped
// files export, is checked against one table (tests/dist).
#include "ole/com_ptr.h"
#include "control/control_interface.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

const struct Server { const wchar_t* file; const CLSID* classId; } kServers[] = {{L"" INSPECTA_OCX, &CLSID_Inspecta},
                                                                               {L"" KAVELLA_OCX, &CLSID_Kavella}};

HRESULT Call(HMODULE server, const char* entryPoint) {
    const auto function =
        reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(server, entryPoint)));
    return function ? function() : E_NOTIMPL;
}

// The key's default value under the classes root, or "<absent>".
std::wstring Read(const std::wstring& key) {
    wchar_t value[1024] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    const LSTATUS status = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size);
    return status == ERROR_SUCCESS ? value : L"<absent>";
}

// Registered together, as a host needs them: Inspecta creates its list through the registry. An
// object made through the registry is this apartment's own, and holds its library while it lives.
TEST(ServerTest, RegisteredObjectsHoldTheirLibraryAndRemovalSparesAProgIdTakenOver) {
    std::vector<std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)>> modules;
    for (const Server& server : kServers) {
        modules.emplace_back(LoadLibraryW(server.file), &FreeLibrary);
        ASSERT_TRUE(modules.back()) << testing::PrintToString(std::wstring(server.file));
        ASSERT_EQ(Call(modules.back().get(), "DllRegisterServer"), S_OK);
    }
    for (size_t index = 0; index < std::size(kServers); ++index) {
        SCOPED_TRACE(index);
        {
            ole::ComPtr<IOleObject> control;
            ASSERT_EQ(CoCreateInstance(*kServers[index].classId, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                       control.PutVoid()), S_OK);
            ole::ComPtr<IClientSecurity> proxy;
            EXPECT_EQ(control->QueryInterface(IID_IClientSecurity, proxy.PutVoid()), E_NOINTERFACE) << "not a proxy";
            EXPECT_EQ(Call(modules[index].get(), "DllCanUnloadNow"), S_FALSE);
        }
        EXPECT_EQ(Call(modules[index].get(), "DllCanUnloadNow"), S_OK);
    }
    // A ProgID another class has taken over is not ours to remove, and removing what is absent is no failure.
    const std::wstring other = GuidText(CLSID_Kavella);
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, L"InspectaCtl.Inspecta\\CLSID", nullptr, REG_SZ, other.c_str(),
                              static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t))), ERROR_SUCCESS);
    for (const auto& module : modules) {
        for (int twice = 0; twice < 2; ++twice) EXPECT_EQ(Call(module.get(), "DllUnregisterServer"), S_OK);
    }
    EXPECT_EQ(Read(L"InspectaCtl.Inspecta\\CLSID"), other);
    EXPECT_EQ(Read(L"CLSID\\" + GuidText(CLSID_Inspecta)), L"<absent>");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"InspectaCtl.Inspecta");
}

}  // namespace
