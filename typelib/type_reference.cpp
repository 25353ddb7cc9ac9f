// Writes docs/reference.md from the type libraries the two built libraries carry: every type,
// and every member with its dispatch id, parameters and help string, so the reference cannot say
// anything the libraries do not.   type_reference <reference.md> <Inspecta2.ocx> <Kavella2.ocx>
#include "ole/bstr.h"
#include "ole/com_ptr.h"
#include "ole/hresult.h"
#include "ole/registration_rows.h"

#include <oleauto.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using ole::Bstr;
using ole::ComPtr;

struct Documentation {
    std::wstring name, help;
};

Documentation Document(ITypeInfo* type, MEMBERID member) {
    Bstr name, help;
    if (FAILED(type->GetDocumentation(member, name.Out(), help.Out(), nullptr, nullptr))) return {};
    return {name.Get() ? name.Get() : L"", help.Get() ? help.Get() : L""};
}

std::wstring TypeName(ITypeInfo* context, const TYPEDESC& type) {
    static const std::map<VARTYPE, const wchar_t*> kNames{
        {VT_BOOL, L"Boolean"}, {VT_BSTR, L"String"},   {VT_I2, L"Integer"},  {VT_I4, L"Long"},
        {VT_INT, L"Long"},     {VT_R4, L"Single"},     {VT_R8, L"Double"},   {VT_CY, L"Currency"},
        {VT_DATE, L"Date"},    {VT_VARIANT, L"Variant"}, {VT_DISPATCH, L"Object"}, {VT_UNKNOWN, L"IUnknown"},
        {VT_UI1, L"Byte"},     {VT_VOID, L""},         {VT_HRESULT, L""}};
    if (type.vt == VT_PTR) return TypeName(context, *type.lptdesc);
    if (type.vt == VT_SAFEARRAY) return TypeName(context, *type.lptdesc) + L"()";
    if (type.vt == VT_USERDEFINED) {
        ComPtr<ITypeInfo> referenced;
        if (FAILED(context->GetRefTypeInfo(type.hreftype, referenced.Put()))) return L"?";
        return Document(referenced.Get(), MEMBERID_NIL).name;
    }
    const auto known = kNames.find(type.vt);
    return known != kNames.end() ? known->second : L"VT " + std::to_wstring(type.vt);
}

// "Item(Key As String) As IPropertyItem", as a Basic programmer reads it.
std::wstring Signature(ITypeInfo* type, const FUNCDESC& function) {
    std::vector<Bstr> names(static_cast<size_t>(function.cParams) + 1);
    UINT count = 0;
    std::vector<BSTR> raw(names.size(), nullptr);
    type->GetNames(function.memid, raw.data(), static_cast<UINT>(raw.size()), &count);
    for (size_t index = 0; index < raw.size(); ++index) names[index] = Bstr::Attach(raw[index]);
    std::wstring text = names[0].Get() ? names[0].Get() : L"";
    std::wstring parameters, result = TypeName(type, function.elemdescFunc.tdesc);
    for (SHORT index = 0; index < function.cParams; ++index) {
        const ELEMDESC& parameter = function.lprgelemdescParam[index];
        const bool isResult = parameter.paramdesc.wParamFlags & PARAMFLAG_FRETVAL;
        const bool isValue = function.invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF);
        if (isResult || (isValue && index == function.cParams - 1)) {
            result = TypeName(type, parameter.tdesc);
            continue;
        }
        const BSTR name = static_cast<UINT>(index) + 1 < count ? names[static_cast<size_t>(index) + 1].Get() : nullptr;
        if (!parameters.empty()) parameters += L", ";
        if (parameter.paramdesc.wParamFlags & PARAMFLAG_FOPT) parameters += L"Optional ";
        parameters += (name ? name : L"Value") + std::wstring(L" As ") + TypeName(type, parameter.tdesc);
    }
    if (function.invkind == INVOKE_FUNC || !parameters.empty()) text += L"(" + parameters + L")";
    return result.empty() ? text : text + L" As " + result;
}

bool IsInherited(const std::wstring& name) {
    for (const wchar_t* inherited : {L"QueryInterface", L"AddRef", L"Release", L"GetTypeInfoCount", L"GetTypeInfo",
                                     L"GetIDsOfNames", L"Invoke"}) {
        if (name == inherited) return true;
    }
    return false;
}

// One row a member: a property's accessors share it.
struct MemberRow {
    MEMBERID id = 0;
    std::wstring signature, access, help;
};

std::wstring AccessWord(INVOKEKIND kind) {
    switch (kind) {
    case INVOKE_PROPERTYGET: return L"read";
    case INVOKE_PROPERTYPUT: return L"write";
    case INVOKE_PROPERTYPUTREF: return L"set";
    default: return L"";
    }
}

// Standard and VB-style dispatch ids read better in hexadecimal.
std::wstring DispatchIdText(MEMBERID id) {
    if (id >= -1000 && id <= 0xFFFF) return std::to_wstring(id);
    wchar_t text[16] = {};
    swprintf(text, std::size(text), L"0x%08lX", static_cast<unsigned long>(id));
    return text;
}

std::wstring MemberTable(ITypeInfo* type, const TYPEATTR& attributes, bool events) {
    std::vector<std::wstring> order;
    std::map<std::wstring, MemberRow> rows;
    for (UINT index = 0; index < attributes.cFuncs; ++index) {
        FUNCDESC* function = nullptr;
        if (FAILED(type->GetFuncDesc(index, &function))) continue;
        const Documentation documentation = Document(type, function->memid);
        if (!IsInherited(documentation.name)) {
            auto [row, added] = rows.try_emplace(documentation.name);
            if (added) order.push_back(documentation.name);
            row->second.id = function->memid;
            row->second.help = documentation.help;
            const std::wstring access = AccessWord(function->invkind);
            if (!access.empty()) row->second.access += (row->second.access.empty() ? L"" : L", ") + access;
            if (row->second.signature.empty() || function->invkind == INVOKE_PROPERTYGET) {
                row->second.signature = Signature(type, *function);
            }
        }
        type->ReleaseFuncDesc(function);
    }
    std::wstring text = L"| Member | DISPID | Kind | Signature | Description |\n| --- | --- | --- | --- | --- |\n";
    for (const std::wstring& name : order) {
        const MemberRow& row = rows[name];
        const std::wstring kind =
            events ? L"event" : row.access.empty() ? L"method" : L"property (" + row.access + L")";
        text += L"| " + name + L" | " + DispatchIdText(row.id) + L" | " + kind + L" | `" + row.signature + L"` | " +
                row.help + L" |\n";
    }
    return text;
}

std::wstring Implemented(ITypeInfo* type, const TYPEATTR& attributes, std::vector<GUID>& eventInterfaces) {
    std::wstring text;
    for (UINT index = 0; index < attributes.cImplTypes; ++index) {
        HREFTYPE reference = 0;
        INT flags = 0;
        ComPtr<ITypeInfo> implemented;
        if (FAILED(type->GetRefTypeOfImplType(index, &reference)) || FAILED(type->GetImplTypeFlags(index, &flags)) ||
            FAILED(type->GetRefTypeInfo(reference, implemented.Put()))) {
            continue;
        }
        TYPEATTR* implementedAttributes = nullptr;
        if ((flags & IMPLTYPEFLAG_FSOURCE) && SUCCEEDED(implemented->GetTypeAttr(&implementedAttributes))) {
            eventInterfaces.push_back(implementedAttributes->guid);
            implemented->ReleaseTypeAttr(implementedAttributes);
        }
        text += L"- `" + Document(implemented.Get(), MEMBERID_NIL).name + L"`" +
                ((flags & IMPLTYPEFLAG_FSOURCE) ? L": events" : L": members") +
                ((flags & IMPLTYPEFLAG_FDEFAULT) ? L" (default)" : L"") + L"\n";
    }
    return text;
}

std::wstring KindText(const TYPEATTR& attributes) {
    switch (attributes.typekind) {
    case TKIND_COCLASS: return L"class";
    case TKIND_DISPATCH: return (attributes.wTypeFlags & TYPEFLAG_FDUAL) ? L"dual interface" : L"dispatch interface";
    case TKIND_INTERFACE: return L"interface";
    case TKIND_ENUM: return L"enumeration";
    default: return L"type";
    }
}

std::wstring EnumerationTable(ITypeInfo* type, const TYPEATTR& attributes) {
    std::wstring text = L"| Constant | Value | Description |\n| --- | --- | --- |\n";
    for (UINT index = 0; index < attributes.cVars; ++index) {
        VARDESC* variable = nullptr;
        if (FAILED(type->GetVarDesc(index, &variable))) continue;
        const Documentation documentation = Document(type, variable->memid);
        VARIANT value;
        VariantInit(&value);
        if (variable->varkind == VAR_CONST) VariantChangeType(&value, variable->lpvarValue, 0, VT_BSTR);
        text += L"| " + documentation.name + L" | " + (value.vt == VT_BSTR ? value.bstrVal : L"") + L" | " +
                documentation.help + L" |\n";
        VariantClear(&value);
        type->ReleaseVarDesc(variable);
    }
    return text;
}

HRESULT LibraryReference(const wchar_t* file, std::wstring& text) {
    ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(LoadTypeLibEx(file, REGKIND_NONE, library.Put()));
    TLIBATTR* libraryAttributes = nullptr;
    RETURN_IF_FAILED(library->GetLibAttr(&libraryAttributes));
    const TLIBATTR libraryCopy = *libraryAttributes;
    library->ReleaseTLibAttr(libraryAttributes);
    Bstr name, help;
    RETURN_IF_FAILED(library->GetDocumentation(-1, name.Out(), help.Out(), nullptr, nullptr));
    text += L"## " + std::wstring(name.Get()) + L" " + std::to_wstring(libraryCopy.wMajorVerNum) + L"." +
            std::to_wstring(libraryCopy.wMinorVerNum) + L"\n\n" + (help.Get() ? help.Get() : L"") +
            L", library `" + ole::GuidText(libraryCopy.guid) + L"`.\n\n";
    // The classes name their event interfaces, which may come before them.
    std::vector<GUID> eventInterfaces;
    std::vector<std::wstring> classes(library->GetTypeInfoCount());
    for (UINT index = 0; index < library->GetTypeInfoCount(); ++index) {
        ComPtr<ITypeInfo> type;
        RETURN_IF_FAILED(library->GetTypeInfo(index, type.Put()));
        TYPEATTR* attributes = nullptr;
        RETURN_IF_FAILED(type->GetTypeAttr(&attributes));
        if (attributes->typekind == TKIND_COCLASS) {
            classes[index] = Implemented(type.Get(), *attributes, eventInterfaces);
        }
        type->ReleaseTypeAttr(attributes);
    }
    for (UINT index = 0; index < library->GetTypeInfoCount(); ++index) {
        ComPtr<ITypeInfo> type;
        RETURN_IF_FAILED(library->GetTypeInfo(index, type.Put()));
        TYPEATTR* attributes = nullptr;
        RETURN_IF_FAILED(type->GetTypeAttr(&attributes));
        const TYPEATTR copy = *attributes;
        bool events = false;
        for (const GUID& eventInterface : eventInterfaces) events = events || IsEqualGUID(eventInterface, copy.guid);
        const Documentation documentation = Document(type.Get(), MEMBERID_NIL);
        text += L"### " + documentation.name + L" (" + KindText(copy) + L")\n\n" + documentation.help +
                (documentation.help.empty() ? L"" : L" ") + L"`" + ole::GuidText(copy.guid) + L"`" +
                ((copy.wTypeFlags & TYPEFLAG_FHIDDEN) ? L", hidden" : L"") + L"\n\n";
        if (copy.typekind == TKIND_COCLASS) text += classes[index] + L"\n";
        if (copy.typekind == TKIND_ENUM) text += EnumerationTable(type.Get(), copy) + L"\n";
        if (copy.cFuncs > 0) text += MemberTable(type.Get(), copy, events) + L"\n";
        type->ReleaseTypeAttr(attributes);
    }
    return S_OK;
}

// Registers the list's library for the length of the run, unless it already was registered.
struct ListRegistration {
    explicit ListRegistration(const wchar_t* file) {
        ComPtr<ITypeLib> library;
        TLIBATTR* read = nullptr;
        result = LoadTypeLibEx(file, REGKIND_NONE, library.Put());
        if (SUCCEEDED(result)) result = library->GetLibAttr(&read);
        if (FAILED(result)) return;
        attributes = *read;
        library->ReleaseTLibAttr(read);
        Bstr registeredPath;
        if (SUCCEEDED(QueryPathOfRegTypeLib(attributes.guid, attributes.wMajorVerNum, attributes.wMinorVerNum,
                                            attributes.lcid, registeredPath.Out()))) {
            return;
        }
        result = RegisterTypeLib(library.Get(), const_cast<wchar_t*>(file), nullptr);
        registeredHere = SUCCEEDED(result);
    }
    ~ListRegistration() {
        // Nothing to be done if this fails: the run's output does not depend on it.
        if (registeredHere) {
            UnRegisterTypeLib(attributes.guid, attributes.wMajorVerNum, attributes.wMinorVerNum, attributes.lcid,
                              attributes.syskind);
        }
    }
    ListRegistration(const ListRegistration&) = delete;
    ListRegistration& operator=(const ListRegistration&) = delete;

    HRESULT result = S_OK;
    TLIBATTR attributes{};
    bool registeredHere = false;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: type_reference <reference.md> <Inspecta2.ocx> <Kavella2.ocx>\n");
        return 2;
    }
    std::wstring text = L"# Reference\n\nEvery type and member of the control's and the list's type libraries, as the "
                        L"built libraries describe them (written by `typelib/type_reference.cpp`; a test compares "
                        L"this page with the libraries). DISPIDs are decimal.\n\n";
    // The control's library names the list's types, which it finds through their registration.
    ListRegistration listRegistration(argv[3]);
    if (FAILED(listRegistration.result)) return 1;
    for (int index = 2; index < 4; ++index) {
        const HRESULT hr = LibraryReference(argv[index], text);
        if (FAILED(hr)) {
            std::fprintf(stderr, "type_reference: %ls: 0x%08lx\n", argv[index], static_cast<unsigned long>(hr));
            return 1;
        }
    }
    FILE* output = _wfopen(argv[1], L"wb");
    if (!output) return 1;
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), output) == bytes.size();
    return std::fclose(output) == 0 && written ? 0 : 1;
}
