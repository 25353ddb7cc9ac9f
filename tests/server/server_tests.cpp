// Both libraries as a host meets them: the built files loaded by path, their exports, what their
// registration writes into the test prefix's registry and what their removal takes away.
#include "ole/com_ptr.h"
#include "control/control_interface.h"

#include <gtest/gtest.h>
#include <imagehlp.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// A GUID as the registry spells it: "{0002DF01-0000-0000-C000-000000000046}".
std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

const struct Server {
    const wchar_t* file;
    const wchar_t* x86File;
    const CLSID* classId;
    const wchar_t* progId;
    const GUID* library;
    bool toolboxBitmap;
} kServers[] = {
    {L"" INSPECTA_OCX, L"" INSPECTA_X86_OCX, &CLSID_Inspecta, L"InspectaCtl.Inspecta", &LIBID_InspectaCtl, true},
    {L"" KAVELLA_OCX, L"" KAVELLA_X86_OCX, &CLSID_Kavella, L"KavellaCtl.Kavella", &LIBID_KavellaCtl, false},
};

// The names a library exports, read without running it: this 64-bit program reads 32-bit ones too.
std::vector<std::string> ExportedNames(const wchar_t* file) {
    std::vector<std::string> exported;
    HMODULE image = LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
    if (!image) return exported;
    auto* base = reinterpret_cast<BYTE*>(reinterpret_cast<ULONG_PTR>(image) & ~ULONG_PTR{3});
    ULONG size = 0;
    const auto* exports = static_cast<const IMAGE_EXPORT_DIRECTORY*>(
        ImageDirectoryEntryToData(base, TRUE, IMAGE_DIRECTORY_ENTRY_EXPORT, &size));
    const auto* names = exports ? reinterpret_cast<const DWORD*>(base + exports->AddressOfNames) : nullptr;
    for (DWORD i = 0; exports && i < exports->NumberOfNames; ++i)
        exported.emplace_back(reinterpret_cast<const char*>(base + names[i]));
    FreeLibrary(image);
    return exported;
}

TEST(ServerFilesTest, BothBuildsOfBothLibrariesExportExactlyTheFourEntryPoints) {
    const std::vector<std::string> expected{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                            "DllUnregisterServer"};
    for (const Server& server : kServers) {
        EXPECT_EQ(ExportedNames(server.file), expected) << testing::PrintToString(std::wstring(server.file));
        EXPECT_EQ(ExportedNames(server.x86File), expected) << testing::PrintToString(std::wstring(server.x86File));
    }
}

HRESULT Call(HMODULE server, const char* entryPoint) {
    const auto function =
        reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(server, entryPoint)));
    return function ? function() : E_NOTIMPL;
}

// A string value under the classes root (the key's default when `name` is null), or "<absent>".
std::wstring Read(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t value[1024] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    const LSTATUS status = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size);
    return status == ERROR_SUCCESS ? value : L"<absent>";
}

// Registered together, as a host needs them: Inspecta creates its list through the registry.
TEST(ServerTest, RegistrationAgreesWithTheFilesAndRemovalSparesAProgIdTakenOver) {
    std::vector<std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)>> modules;
    for (const Server& server : kServers) {
        modules.emplace_back(LoadLibraryW(server.file), &FreeLibrary);
        ASSERT_TRUE(modules.back()) << testing::PrintToString(std::wstring(server.file));
        ASSERT_EQ(Call(modules.back().get(), "DllRegisterServer"), S_OK);
    }
    for (size_t index = 0; index < std::size(kServers); ++index) {
        const Server& server = kServers[index];
        HMODULE module = modules[index].get();
        SCOPED_TRACE(testing::PrintToString(std::wstring(server.progId)));
        const std::wstring classKey = L"CLSID\\" + GuidText(*server.classId);
        wchar_t loadedFrom[MAX_PATH] = {};
        GetModuleFileNameW(module, loadedFrom, MAX_PATH);
        // The version the class names is the library registered from this file.
        const std::wstring version = Read(classKey + L"\\Version");
        EXPECT_EQ(Read(L"TypeLib\\" + GuidText(*server.library) + L"\\" + version + L"\\0\\win64"), loadedFrom);

        // The toolbox picture it names is in this file.
        const std::wstring toolbox = Read(classKey + L"\\ToolboxBitmap32");
        const std::wstring inThisFile = std::wstring(loadedFrom) + L", ";
        BITMAP picture{};  // stays 0 by 0 without such a picture
        if (toolbox.starts_with(inThisFile)) {
            HBITMAP bitmap = LoadBitmapW(module, MAKEINTRESOURCEW(_wtoi(toolbox.c_str() + inThisFile.size())));
            GetObjectW(bitmap, sizeof picture, &picture);
            DeleteObject(bitmap);
        }
        EXPECT_EQ(picture.bmWidth > 0, server.toolboxBitmap) << testing::PrintToString(toolbox);

        // Created through the registry, the object has the status registered and holds the library.
        {
            ole::ComPtr<IOleObject> control;
            ASSERT_EQ(CoCreateInstance(*server.classId, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, control.PutVoid()),
                      S_OK);
            DWORD status = 0;
            EXPECT_EQ(control->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
            EXPECT_EQ(Read(classKey + L"\\MiscStatus\\1"), std::to_wstring(status));
            EXPECT_EQ(Call(module, "DllCanUnloadNow"), S_FALSE);
        }
        EXPECT_EQ(Call(module, "DllCanUnloadNow"), S_OK);
    }
    // Every row and its removal are checked against one table (tests/dist); here, that a ProgID another
    // class has taken over is not ours to remove, and that removing what is absent is no failure.
    const std::wstring other = GuidText(CLSID_Kavella);
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, L"InspectaCtl.Inspecta\\CLSID", nullptr, REG_SZ, other.c_str(),
                              static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    for (const auto& module : modules) {
        for (int twice = 0; twice < 2; ++twice) EXPECT_EQ(Call(module.get(), "DllUnregisterServer"), S_OK);
    }
    EXPECT_EQ(Read(L"InspectaCtl.Inspecta\\CLSID"), other);
    EXPECT_EQ(Read(L"CLSID\\" + GuidText(CLSID_Inspecta)), L"<absent>");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"InspectaCtl.Inspecta");
}

}  // namespace
