#include "typelib/assembly_manifest.h"

#include "ole/bstr.h"
#include "ole/com_ptr.h"
#include "ole/hresult.h"
#include "ole/registration_rows.h"

#include <oleauto.h>

#include <cwchar>
#include <iterator>

namespace {

// The manifest names the content aspect's OLEMISC bits by these words.
const struct {
    DWORD bit;
    const wchar_t* name;
} kMiscStatusNames[] = {{OLEMISC_RECOMPOSEONRESIZE, L"recomposeonresize"},
                        {OLEMISC_ONLYICONIC, L"onlyiconic"},
                        {OLEMISC_INSERTNOTREPLACE, L"insertnotreplace"},
                        {OLEMISC_STATIC, L"static"},
                        {OLEMISC_CANTLINKINSIDE, L"cantlinkinside"},
                        {OLEMISC_CANLINKBYOLE1, L"canlinkbyole1"},
                        {OLEMISC_ISLINKOBJECT, L"islinkobject"},
                        {OLEMISC_INSIDEOUT, L"insideout"},
                        {OLEMISC_ACTIVATEWHENVISIBLE, L"activatewhenvisible"},
                        {OLEMISC_RENDERINGISDEVICEINDEPENDENT, L"renderingisdeviceindependent"},
                        {OLEMISC_INVISIBLEATRUNTIME, L"invisibleatruntime"},
                        {OLEMISC_ALWAYSRUN, L"alwaysrun"},
                        {OLEMISC_ACTSLIKEBUTTON, L"actslikebutton"},
                        {OLEMISC_ACTSLIKELABEL, L"actslikelabel"},
                        {OLEMISC_NOUIACTIVATE, L"nouiactivate"},
                        {OLEMISC_ALIGNABLE, L"alignable"},
                        {OLEMISC_SIMPLEFRAME, L"simpleframe"},
                        {OLEMISC_SETCLIENTSITEFIRST, L"setclientsitefirst"},
                        {OLEMISC_IMEMODE, L"imemode"}};

std::wstring Escaped(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        switch (c) {
        case L'&': escaped += L"&amp;"; break;
        case L'<': escaped += L"&lt;"; break;
        case L'>': escaped += L"&gt;"; break;
        case L'"': escaped += L"&quot;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::wstring MiscStatusWords(DWORD status) {
    std::wstring words;
    for (const auto& entry : kMiscStatusNames) {
        if (!(status & entry.bit)) continue;
        if (!words.empty()) words += L',';
        words += entry.name;
    }
    return words;
}

std::wstring Attribute(const wchar_t* name, const std::wstring& value) {
    return std::wstring(L" ") + name + L"=\"" + Escaped(value) + L"\"";
}

// One comInterfaceExternalProxyStub for each automation interface, as registration writes them.
HRESULT AppendProxyStubs(ITypeLib* library, const std::wstring& libraryId, std::wstring& manifest) {
    const UINT count = library->GetTypeInfoCount();
    for (UINT index = 0; index < count; ++index) {
        ole::ComPtr<ITypeInfo> type;
        RETURN_IF_FAILED(library->GetTypeInfo(index, type.Put()));
        TYPEATTR* attributes = nullptr;
        RETURN_IF_FAILED(type->GetTypeAttr(&attributes));
        const TYPEATTR copy = *attributes;
        type->ReleaseTypeAttr(attributes);
        const wchar_t* proxy = ole::AutomationProxy(copy);
        if (!proxy) continue;
        ole::Bstr name;
        RETURN_IF_FAILED(library->GetDocumentation(static_cast<INT>(index), name.Out(), nullptr, nullptr, nullptr));
        manifest += L"  <comInterfaceExternalProxyStub" + Attribute(L"name", name.Get() ? name.Get() : L"") +
                    Attribute(L"iid", ole::GuidText(copy.guid)) + Attribute(L"tlbid", libraryId) +
                    Attribute(L"proxyStubClsid32", proxy) +
                    L"/>\r\n";
    }
    return S_OK;
}

}  // namespace

std::wstring AssemblyName(const std::wstring& fileName) {
    return fileName.substr(0, fileName.rfind(L'.')) + L".sxs";
}

HRESULT AssemblyManifest(const ole::ControlRegistration& control, ITypeLib* library, const std::wstring& fileName,
                         const std::wstring& architecture, std::wstring& manifest) noexcept {
    if (!library) return E_POINTER;
    return ole::Guarded([&]() -> HRESULT {
        TLIBATTR* attributes = nullptr;
        RETURN_IF_FAILED(library->GetLibAttr(&attributes));
        const TLIBATTR copy = *attributes;
        library->ReleaseTLibAttr(attributes);
        const std::wstring version = ole::VersionText(copy.wMajorVerNum, copy.wMinorVerNum);
        const std::wstring libraryId = ole::GuidText(copy.guid);

        manifest = L"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                   L"<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\r\n"
                   L"  <assemblyIdentity type=\"win32\"" + Attribute(L"name", AssemblyName(fileName)) +
                   Attribute(L"version", kAssemblyVersion) + Attribute(L"processorArchitecture", architecture) +
                   L"/>\r\n  <file" + Attribute(L"name", fileName) + L">\r\n"
                   L"    <comClass" + Attribute(L"clsid", ole::GuidText(*control.classId)) +
                   Attribute(L"progid", control.progId) + Attribute(L"threadingModel", control.threadingModel) +
                   Attribute(L"tlbid", libraryId) + Attribute(L"description", control.className) +
                   Attribute(L"miscStatusContent", MiscStatusWords(control.miscStatus)) + L"/>\r\n"
                   L"    <typelib" + Attribute(L"tlbid", libraryId) + Attribute(L"version", version) +
                   Attribute(L"helpdir", L"") + L"/>\r\n  </file>\r\n";
        RETURN_IF_FAILED(AppendProxyStubs(library, libraryId, manifest));
        manifest += L"</assembly>\r\n";
        return S_OK;
    });
}
