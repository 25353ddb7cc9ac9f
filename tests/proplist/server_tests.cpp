// Kavella2.ocx as a host meets it: its exports and its registration. How a class object answers
// and counts the module is the shared server code's, tested with it.
#include "ole/bstr.h"
#include "ole/com_ptr.h"

#include "kavella.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <string>

namespace proplist_tests {

using ole::ComPtr;

namespace {

// The server built beside this test program.
std::wstring ServerPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L'\\'));
    folder.resize(folder.find_last_of(L'\\'));
    return folder + L"\\proplist\\Kavella2.ocx";
}

std::wstring ReadKey(const std::wstring& path, const wchar_t* name = nullptr) {
    wchar_t value[512] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return L"(absent)";
    }
    return value;
}

bool KeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

using EntryPoint = HRESULT(STDAPICALLTYPE*)();

}  // namespace

class ServerTest : public testing::Test {
protected:
    void SetUp() override {
        server = LoadLibraryW(ServerPath().c_str());
        ASSERT_NE(server, nullptr) << "cannot load the server beside the tests";
    }
    void TearDown() override {
        if (server) FreeLibrary(server);
    }

    template <typename Function>
    Function Entry(const char* name) {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(server, name)));
    }

    HMODULE server = nullptr;
    const std::wstring classKey = L"CLSID\\{B9BFE4C8-80F8-48E9-8580-6F62A0A0C870}";
};

TEST_F(ServerTest, RegistersAndUnregistersTheControlAndItsTypeLibrary) {
    const auto registerServer = Entry<EntryPoint>("DllRegisterServer");
    const auto unregisterServer = Entry<EntryPoint>("DllUnregisterServer");
    const auto canUnload = Entry<EntryPoint>("DllCanUnloadNow");
    ASSERT_TRUE(registerServer && unregisterServer && canUnload);
    // Another program's registration of the list in this prefix is put back afterwards.
    const bool registeredBefore = KeyExists(classKey);

    ASSERT_EQ(registerServer(), S_OK);
    EXPECT_EQ(_wcsicmp(ReadKey(classKey + L"\\InprocServer32").c_str(), ServerPath().c_str()), 0);
    EXPECT_EQ(ReadKey(classKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(ReadKey(classKey + L"\\ProgID"), L"KavellaCtl.Kavella");
    EXPECT_TRUE(KeyExists(classKey + L"\\Control"));
    EXPECT_EQ(ReadKey(classKey + L"\\TypeLib"), L"{3F118CA4-97A8-4926-AA0A-6FD80DFB3DCE}");
    EXPECT_EQ(ReadKey(classKey + L"\\Version"), L"2.9");
    CLSID fromProgId{};
    ASSERT_EQ(CLSIDFromProgID(L"KavellaCtl.Kavella", &fromProgId), S_OK);
    EXPECT_EQ(fromProgId, CLSID_Kavella);
    ole::Bstr libraryPath;
    EXPECT_EQ(QueryPathOfRegTypeLib(LIBID_KavellaCtl, 2, 9, 0, libraryPath.Out()), S_OK);
    ComPtr<ITypeLib> registered;
    ASSERT_EQ(LoadRegTypeLib(LIBID_KavellaCtl, 2, 9, 0, registered.Put()), S_OK);
    ComPtr<ITypeInfo> itemInfo;
    EXPECT_EQ(registered->GetTypeInfoOfGuid(IID_IPropertyItem, itemInfo.Put()), S_OK);

    // Created by class id through the registry, as a container creates it.
    {
        ComPtr<_Kavella> list;
        ASSERT_EQ(CoCreateInstance(CLSID_Kavella, nullptr, CLSCTX_INPROC_SERVER, IID__Kavella, list.PutVoid()), S_OK);
        ComPtr<IPropertyItems> items;
        ASSERT_EQ(list->get_PropertyItems(items.Put()), S_OK);
        LONG count = -1;
        EXPECT_EQ(items->get_Count(&count), S_OK);
        EXPECT_EQ(count, 0);
        ComPtr<IOleObject> control;
        ASSERT_EQ(list.As(&control), S_OK);
        CLSID reported{};
        EXPECT_EQ(control->GetUserClassID(&reported), S_OK);
        EXPECT_EQ(reported, CLSID_Kavella);
        EXPECT_EQ(canUnload(), S_FALSE) << "objects are alive";
    }
    EXPECT_EQ(canUnload(), S_OK);

    ASSERT_EQ(unregisterServer(), S_OK);
    EXPECT_FALSE(KeyExists(classKey));
    EXPECT_FALSE(KeyExists(L"KavellaCtl.Kavella"));
    EXPECT_TRUE(FAILED(CLSIDFromProgID(L"KavellaCtl.Kavella", &fromProgId)));
    EXPECT_TRUE(FAILED(QueryPathOfRegTypeLib(LIBID_KavellaCtl, 2, 9, 0, libraryPath.Out())));
    EXPECT_EQ(unregisterServer(), S_OK) << "unregistering twice is harmless";
    if (registeredBefore) {
        EXPECT_EQ(registerServer(), S_OK);
    }
    CoFreeUnusedLibraries();
}

}  // namespace proplist_tests
