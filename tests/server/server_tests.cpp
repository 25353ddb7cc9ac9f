// Inspecta2.ocx as a host sees it: loaded by path, asked for its class object, registered and
// unregistered in the test prefix's registry.
#include "ole/com_ptr.h"
#include "typelib/control_interface.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <string>
#include <vector>

namespace {

using ole::ComPtr;

std::wstring Widen(const char* text) { return std::wstring(text, text + strlen(text)); }

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

// The default value (or the named value) of a key under HKEY_CLASSES_ROOT, or nothing.
bool ReadKey(const std::wstring& key, std::wstring& value, const wchar_t* name = nullptr) {
    wchar_t buffer[1024];
    DWORD size = sizeof(buffer);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) {
        return false;
    }
    value = buffer;
    return true;
}

bool KeyExists(const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

class ServerTest : public testing::Test {
protected:
    void SetUp() override {
        library = LoadLibraryW(path.c_str());
        ASSERT_NE(library, nullptr);
    }
    void TearDown() override {
        if (library) FreeLibrary(library);
    }
    template <typename Function>
    Function Export(const char* name) {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    }

    const std::wstring path = Widen(INSPECTA_OCX);
    HMODULE library = nullptr;
};

TEST_F(ServerTest, AnyOtherClassIsNotAvailableAndNothingIsReturned) {
    auto getClassObject = Export<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
    ASSERT_NE(getClassObject, nullptr);
    void* sentinel = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(getClassObject(CLSID_StdFont, IID_IClassFactory, &sentinel), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(sentinel, nullptr);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(CLSID_Inspecta, IID_IClassFactory, factory.PutVoid()), S_OK);
    auto canUnloadNow = Export<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow");
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "a class object is alive";
    factory->LockServer(TRUE);
    factory.Reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "the server is locked";
    ASSERT_EQ(getClassObject(CLSID_Inspecta, IID_IClassFactory, factory.PutVoid()), S_OK);
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(ServerTest, RegistrationWritesTheControlAndItsLibraryAndRemovalTakesAllOfIt) {
    const std::wstring classKey = L"CLSID\\" + GuidText(CLSID_Inspecta);
    const std::wstring libraryKey = L"TypeLib\\" + GuidText(LIBID_InspectaCtl);
    auto registerServer = Export<HRESULT(STDAPICALLTYPE*)()>("DllRegisterServer");
    auto unregisterServer = Export<HRESULT(STDAPICALLTYPE*)()>("DllUnregisterServer");
    ASSERT_EQ(registerServer(), S_OK);

    std::wstring value;
    ASSERT_TRUE(ReadKey(classKey + L"\\InprocServer32", value));
    wchar_t loadedFrom[MAX_PATH];
    GetModuleFileNameW(library, loadedFrom, MAX_PATH);
    EXPECT_EQ(CompareStringOrdinal(value.c_str(), -1, loadedFrom, -1, TRUE), CSTR_EQUAL) << "the library's own path";
    ASSERT_TRUE(ReadKey(classKey + L"\\InprocServer32", value, L"ThreadingModel"));
    EXPECT_EQ(value, L"Apartment");
    ASSERT_TRUE(ReadKey(classKey + L"\\ProgID", value));
    EXPECT_EQ(value, L"InspectaCtl.Inspecta");
    EXPECT_TRUE(KeyExists(classKey + L"\\Control"));
    ASSERT_TRUE(ReadKey(classKey + L"\\MiscStatus\\1", value));
    EXPECT_EQ(value, L"131473");
    ASSERT_TRUE(ReadKey(classKey + L"\\ToolboxBitmap32", value));
    EXPECT_NE(value.find(L", 30000"), std::wstring::npos) << "the library's own bitmap 30000";
    ASSERT_TRUE(ReadKey(classKey + L"\\TypeLib", value));
    EXPECT_EQ(value, GuidText(LIBID_InspectaCtl));
    ASSERT_TRUE(ReadKey(classKey + L"\\Version", value));
    EXPECT_EQ(value, L"8.0");
    ASSERT_TRUE(ReadKey(L"InspectaCtl.Inspecta\\CLSID", value));
    EXPECT_EQ(value, GuidText(CLSID_Inspecta));
    EXPECT_TRUE(KeyExists(libraryKey + L"\\8.0"));
    CLSID fromProgId{};
    EXPECT_EQ(CLSIDFromProgID(L"InspectaCtl.Inspecta", &fromProgId), S_OK);
    EXPECT_EQ(fromProgId, CLSID_Inspecta);

    ASSERT_EQ(unregisterServer(), S_OK);
    EXPECT_FALSE(KeyExists(classKey));
    EXPECT_FALSE(KeyExists(L"InspectaCtl.Inspecta"));
    EXPECT_FALSE(KeyExists(libraryKey + L"\\8.0"));
    EXPECT_FALSE(KeyExists(L"Interface\\" + GuidText(IID__Inspecta)));
}

// The names a library exports, read from its export directory without running it (so that the
// 32-bit library can be read by this 64-bit program too).
std::vector<std::string> ExportedNames(const std::wstring& file) {
    std::vector<std::string> names;
    HMODULE image = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
    if (!image) return names;
    const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(image) & ~ULONG_PTR{3});
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
            ? reinterpret_cast<const IMAGE_NT_HEADERS64*>(nt)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT]
            : nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (directory.VirtualAddress) {
        const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
        const auto* nameOffsets = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
        for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
            names.emplace_back(reinterpret_cast<const char*>(base + nameOffsets[i]));
        }
    }
    FreeLibrary(image);
    return names;
}

TEST(ServerFilesTest, BothBuildsExportExactlyTheFourEntryPoints) {
    const std::vector<std::string> expected{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                            "DllUnregisterServer"};
    EXPECT_EQ(ExportedNames(Widen(INSPECTA_OCX)), expected);
    EXPECT_EQ(ExportedNames(Widen(INSPECTA_X86_OCX)), expected);
}

}  // namespace
