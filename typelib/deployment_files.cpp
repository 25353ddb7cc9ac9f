// Writes what deploying the two libraries needs beside them, from the registration they share:
// the installer package's Registry table (the rows DllRegisterServer writes, with the installed
// file in place of the path a library finds for itself) and each library's assembly manifest.
//   deployment_files <folder> <x86|x64> <Inspecta2.ocx> <Kavella2.ocx>
// The libraries are read as data, so this 64-bit program serves the 32-bit package too.
#include "ole/com_ptr.h"
#include "ole/hresult.h"
#include "ole/registration_rows.h"
#include "typelib/assembly_manifest.h"
#include "typelib/server_registration.h"

#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct DeployedServer {
    const ole::ControlRegistration& registration;
    const wchar_t* fileName;
    const wchar_t* component;  // the package's component that installs the file
    const wchar_t* fileId;     // the package's File row of the library
};

const DeployedServer kServers[] = {{kInspectaRegistration, L"Inspecta2.ocx", L"InspectaControl", L"InspectaOcx"},
                                   {kKavellaRegistration, L"Kavella2.ocx", L"KavellaList", L"KavellaOcx"}};

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string converted(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), converted.data(), size, nullptr,
                        nullptr);
    return converted;
}

HRESULT WriteFile(const std::wstring& path, const std::wstring& text) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return HRESULT_FROM_WIN32(ERROR_CANNOT_MAKE);
    const std::string bytes = Utf8(text);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written ? S_OK : HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
}

// The package writes under Software\Classes of the machine or of the user (root -1), as the
// installation's scope decides. A key row is created, and removed with its subkeys ("*").
std::wstring TableRows(const DeployedServer& server, const std::vector<ole::RegistryRow>& rows) {
    std::wstring table;
    int number = 0;
    for (const ole::RegistryRow& row : rows) {
        table += server.component + std::to_wstring(++number) + L"\t-1\tSoftware\\Classes\\" + row.key + L"\t" +
                 (row.value ? row.name : L"*") + L"\t" + row.value.value_or(L"") + L"\t" + server.component +
                 L"\r\n";
    }
    return table;
}

HRESULT DeployServer(const DeployedServer& server, const wchar_t* file, const std::wstring& folder,
                     const std::wstring& architecture, std::wstring& table) {
    ole::ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(LoadTypeLibEx(file, REGKIND_NONE, library.Put()));
    const std::wstring installedPath = L"[#" + std::wstring(server.fileId) + L"]";
    std::vector<ole::RegistryRow> rows = ole::ControlRows(server.registration, installedPath);
    RETURN_IF_FAILED(ole::TypeLibraryRows(library.Get(), installedPath, rows));
    table += TableRows(server, rows);

    std::wstring manifest;
    RETURN_IF_FAILED(AssemblyManifest(server.registration, library.Get(), server.fileName, architecture, manifest));
    return WriteFile(folder + L"\\" + AssemblyName(server.fileName) + L".manifest", manifest);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring architecture = argc == 5 ? argv[2] : L"";
    if (architecture != L"x86" && architecture != L"x64") {
        std::fprintf(stderr, "usage: deployment_files <folder> <x86|x64> <Inspecta2.ocx> <Kavella2.ocx>\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    std::wstring table = L"Registry\tRoot\tKey\tName\tValue\tComponent_\r\ns72\ti2\tl255\tL255\tL0\ts72\r\n"
                         L"Registry\tRegistry\r\n";
    for (size_t index = 0; index < std::size(kServers); ++index) {
        const HRESULT hr = DeployServer(kServers[index], argv[3 + index], folder,
                                        architecture == L"x64" ? L"amd64" : L"x86", table);
        if (FAILED(hr)) {
            std::fprintf(stderr, "deployment_files: %ls: 0x%08lx\n", argv[3 + index], static_cast<unsigned long>(hr));
            return 1;
        }
    }
    return SUCCEEDED(WriteFile(folder + L"\\Registry.idt", table)) ? 0 : 1;
}
