// Writes the control's type library twice, for 32-bit and for 64-bit Windows:
//   typelib_writer <list control's .tlb> <32-bit .tlb> <64-bit .tlb>
// It is written through ICreateTypeLib2 rather than compiled from IDL because the library needs
// what widl will not give it: a version and flags on the event dispinterface, and `Item`
// returning the item interface of the list control's own, imported, library.
#include "control/control_interface.h"
#include "ole/com_ptr.h"
#include "ole/hresult.h"

#include <oleauto.h>
#include <olectl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using ole::ComPtr;

enum class Shape { None, Boolean, Item, Font, Client };

struct Member {
    const wchar_t* name;
    INVOKEKIND kind;
    MEMBERID id;
    Shape shape;
    const wchar_t* help;
    DWORD helpContext;
};

constexpr wchar_t kAutoWriteHelp[] =
    L"Returns or sets if changes are immediatley applied to the client object, or if they are not applied "
    L"until the WriteProperties method is called.";
constexpr wchar_t kAutoPopulateHelp[] =
    L"Returns or sets if the list of properties are generated each time the ClientObject property is set";
constexpr wchar_t kItemHelp[] = L"Returns a reference to an invidual item in the list";
constexpr wchar_t kEnabledHelp[] =
    L"Returns or sets a value that determines whether a form or control can respond to user-generated events.";
constexpr wchar_t kHideCustomHelp[] = L"Returns or sets if items with a Style of Custom are hidden.";
constexpr wchar_t kAboutHelp[] = L"Displays version, copyright and contact information.";
constexpr wchar_t kHideReadOnlyHelp[] = L"Returns or sets if read-only items are automatically hidden.";
constexpr wchar_t kFontHelp[] = L"Returns or sets the default font used to display text in a control  ";
constexpr wchar_t kRefreshHelp[] = L"Refreshes the values of wrapped properties";
constexpr wchar_t kClientHelp[] = L"Returns or sets the client object to be edited]  ";

// Slot order: the order of _Inspecta's methods in control_interface.h.
constexpr Member kMembers[] = {
    {L"AutoWriteProperties", INVOKE_PROPERTYGET, kDispidAutoWriteProperties, Shape::Boolean, kAutoWriteHelp, 0},
    {L"AutoWriteProperties", INVOKE_PROPERTYPUT, kDispidAutoWriteProperties, Shape::Boolean, kAutoWriteHelp, 0},
    {L"AutoPopulate", INVOKE_PROPERTYGET, kDispidAutoPopulate, Shape::Boolean, kAutoPopulateHelp, 0},
    {L"AutoPopulate", INVOKE_PROPERTYPUT, kDispidAutoPopulate, Shape::Boolean, kAutoPopulateHelp, 0},
    {L"Item", INVOKE_PROPERTYGET, kDispidItem, Shape::Item, kItemHelp, 0},
    {L"Enabled", INVOKE_PROPERTYGET, kDispidEnabled, Shape::Boolean, kEnabledHelp, 0},
    {L"Enabled", INVOKE_PROPERTYPUT, kDispidEnabled, Shape::Boolean, kEnabledHelp, 0},
    {L"HideCustomItems", INVOKE_PROPERTYGET, kDispidHideCustomItems, Shape::Boolean, kHideCustomHelp, 0},
    {L"HideCustomItems", INVOKE_PROPERTYPUT, kDispidHideCustomItems, Shape::Boolean, kHideCustomHelp, 0},
    {L"About", INVOKE_FUNC, DISPID_ABOUTBOX, Shape::None, kAboutHelp, 0},
    {L"HideReadOnlyItems", INVOKE_PROPERTYGET, kDispidHideReadOnlyItems, Shape::Boolean, kHideReadOnlyHelp, 0},
    {L"HideReadOnlyItems", INVOKE_PROPERTYPUT, kDispidHideReadOnlyItems, Shape::Boolean, kHideReadOnlyHelp, 0},
    {L"Font", INVOKE_PROPERTYGET, kDispidFont, Shape::Font, kFontHelp, 6648},
    {L"Font", INVOKE_PROPERTYPUTREF, kDispidFont, Shape::Font, kFontHelp, 6648},
    {L"RefreshValues", INVOKE_FUNC, kDispidRefreshValues, Shape::None, kRefreshHelp, 6649},
    {L"ClientObject", INVOKE_PROPERTYGET, kDispidClientObject, Shape::Client, kClientHelp, 6650},
    {L"ClientObject", INVOKE_PROPERTYPUTREF, kDispidClientObject, Shape::Client, kClientHelp, 6650},
};

constexpr wchar_t kLibraryHelp[] = L"Inspecta Software Inspecta Control 2.0";

// One parameter's type, up to two pointer levels deep, kept in place so that the chain of
// TYPEDESC pointers stays valid while the description is added.
struct Parameter {
    TYPEDESC levels[3]{};
    ELEMDESC element{};

    void Set(USHORT flags, int pointers, VARTYPE type, HREFTYPE reference = 0) {
        for (int level = 0; level < pointers; ++level) {
            levels[level].vt = VT_PTR;
            levels[level].lptdesc = &levels[level + 1];
        }
        levels[pointers].vt = type;
        if (type == VT_USERDEFINED) levels[pointers].hreftype = reference;
        element.tdesc = levels[0];
        element.paramdesc.wParamFlags = flags;
    }
};

struct References {
    HREFTYPE dispatch = 0;
    HREFTYPE item = 0;
    HREFTYPE font = 0;
};

constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kResult = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;

HRESULT AddMember(ICreateTypeInfo* info, UINT index, const Member& member, const References& references,
                  SHORT pointerSize) {
    const bool get = member.kind == INVOKE_PROPERTYGET;
    Parameter parameters[2];
    SHORT count = 0;
    switch (member.shape) {
    case Shape::None:
        break;
    case Shape::Boolean:
        parameters[count++].Set(get ? kResult : kIn, get ? 1 : 0, VT_BOOL);
        break;
    case Shape::Item:
        parameters[count++].Set(kIn, 0, VT_BSTR);
        parameters[count++].Set(kResult, 2, VT_USERDEFINED, references.item);
        break;
    case Shape::Font:
        parameters[count++].Set(get ? kResult : kIn, get ? 2 : 1, VT_USERDEFINED, references.font);
        break;
    case Shape::Client:
        parameters[count++].Set(get ? kResult : kIn, get ? 1 : 0, VT_DISPATCH);
        break;
    }
    ELEMDESC elements[2] = {parameters[0].element, parameters[1].element};

    FUNCDESC description{};
    description.memid = member.id;
    description.lprgelemdescParam = count ? elements : nullptr;
    description.funckind = FUNC_PUREVIRTUAL;
    // Given, not left to LayOut: a 64-bit writer lays a 32-bit library out with its own
    // pointer size and on top of its own, 64-bit, IDispatch.
    description.oVft = static_cast<SHORT>((7 + index) * pointerSize);
    description.invkind = member.kind;
    description.callconv = CC_STDCALL;
    description.cParams = count;
    description.elemdescFunc.tdesc.vt = VT_HRESULT;
    RETURN_IF_FAILED(info->AddFuncDesc(index, &description));

    // A get's result and a put's value are unnamed; only Item's key has a name.
    LPOLESTR names[2] = {const_cast<LPOLESTR>(member.name), const_cast<LPOLESTR>(L"Key")};
    RETURN_IF_FAILED(info->SetFuncAndParamNames(index, names, member.shape == Shape::Item ? 2 : 1));
    RETURN_IF_FAILED(info->SetFuncDocString(index, const_cast<LPOLESTR>(member.help)));
    return info->SetFuncHelpContext(index, member.helpContext);
}

HRESULT AddEvent(ICreateTypeInfo* info, UINT index, const wchar_t* name, MEMBERID id, bool withArguments) {
    Parameter parameters[2];
    parameters[0].Set(kIn, 0, VT_BSTR);
    parameters[1].Set(kIn, 0, VT_VARIANT);
    ELEMDESC elements[2] = {parameters[0].element, parameters[1].element};

    FUNCDESC description{};
    description.memid = id;
    description.lprgelemdescParam = withArguments ? elements : nullptr;
    description.funckind = FUNC_DISPATCH;
    description.invkind = INVOKE_FUNC;
    description.callconv = CC_STDCALL;
    description.cParams = withArguments ? 2 : 0;
    description.elemdescFunc.tdesc.vt = VT_VOID;
    RETURN_IF_FAILED(info->AddFuncDesc(index, &description));
    LPOLESTR names[3] = {const_cast<LPOLESTR>(name), const_cast<LPOLESTR>(L"PropertyName"),
                         const_cast<LPOLESTR>(L"Value")};
    return info->SetFuncAndParamNames(index, names, withArguments ? 3 : 1);
}

HRESULT Describe(ICreateTypeInfo* info, REFGUID guid, UINT flags) {
    RETURN_IF_FAILED(info->SetGuid(guid));
    RETURN_IF_FAILED(info->SetTypeFlags(flags));
    RETURN_IF_FAILED(info->SetVersion(1, 0));
    return info->SetHelpContext(kInspectaTypeHelpContext);
}

// LayOut sizes the vtable from the IDispatch it derives from, which in this 64-bit process is
// the 64-bit one, so a 32-bit library would claim seven slots too many and hosts would look for
// members past its end. The stored size of _Inspecta's vtable is set to what its members fill.
HRESULT StoreVtableSize(const std::wstring& path, WORD size) {
    std::vector<char> file;
    if (FILE* in = _wfopen(path.c_str(), L"rb")) {
        char buffer[4096];
        for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
            file.insert(file.end(), buffer, buffer + read);
        std::fclose(in);
    }
    auto word = [&](size_t offset) {
        DWORD value = 0;
        if (offset + 4 <= file.size()) std::memcpy(&value, file.data() + offset, 4);
        return value;
    };
    constexpr size_t kHeaderSize = 0x54, kTypeInfoSize = 0x64, kFlags = 48, kVtableSize = 78;
    constexpr DWORD kHelpDll = 0x100;
    if (file.size() < kHeaderSize || std::memcmp(file.data(), "MSFT", 4) != 0) return TYPE_E_INVDATAREAD;
    const size_t directory = kHeaderSize + (word(0x14) & kHelpDll ? 4 : 0) + 4 * word(0x20);
    const size_t entry = word(directory);  // the first segment holds the type descriptions, _Inspecta first
    if (entry + kTypeInfoSize > file.size() || (word(entry) & 0xF) != TKIND_DISPATCH ||
        !(word(entry + kFlags) & TYPEFLAG_FDUAL))
        return TYPE_E_INVDATAREAD;
    std::memcpy(file.data() + entry + kVtableSize, &size, sizeof size);
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out) return STG_E_WRITEFAULT;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written ? S_OK : STG_E_WRITEFAULT;
}

HRESULT WriteLibrary(SYSKIND system, const std::wstring& path, ITypeLib* listLibrary) {
    ComPtr<ITypeLib> stdole;
    RETURN_IF_FAILED(LoadTypeLib(L"stdole2.tlb", stdole.Put()));
    ComPtr<ITypeInfo> dispatch, font, item;
    RETURN_IF_FAILED(stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatch.Put()));
    RETURN_IF_FAILED(stdole->GetTypeInfoOfGuid(IID_IFontDisp, font.Put()));
    RETURN_IF_FAILED(listLibrary->GetTypeInfoOfGuid(IID_IPropertyItem, item.Put()));

    ComPtr<ICreateTypeLib2> library;
    RETURN_IF_FAILED(CreateTypeLib2(system, path.c_str(), library.Put()));
    RETURN_IF_FAILED(library->SetName(const_cast<LPOLESTR>(L"InspectaCtl")));
    RETURN_IF_FAILED(library->SetGuid(LIBID_InspectaCtl));
    RETURN_IF_FAILED(library->SetVersion(kInspectaLibraryMajor, kInspectaLibraryMinor));
    RETURN_IF_FAILED(library->SetLcid(LOCALE_NEUTRAL));
    RETURN_IF_FAILED(library->SetLibFlags(LIBFLAG_FCONTROL));
    RETURN_IF_FAILED(library->SetDocString(const_cast<LPOLESTR>(kLibraryHelp)));
    RETURN_IF_FAILED(library->SetHelpContext(kInspectaLibraryHelpContext));

    // Created first, filled afterwards: the creation order is the order in the library, and the
    // class refers to the event interface that comes after it.
    ComPtr<ICreateTypeInfo> iface, coclass, events;
    RETURN_IF_FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(L"_Inspecta"), TKIND_INTERFACE, iface.Put()));
    RETURN_IF_FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(L"Inspecta"), TKIND_COCLASS, coclass.Put()));
    RETURN_IF_FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(L"__Inspecta"), TKIND_DISPATCH, events.Put()));

    References references;
    RETURN_IF_FAILED(Describe(iface.Get(), IID__Inspecta,
                              TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION));
    RETURN_IF_FAILED(iface->AddRefTypeInfo(dispatch.Get(), &references.dispatch));
    RETURN_IF_FAILED(iface->AddImplType(0, references.dispatch));
    RETURN_IF_FAILED(iface->AddRefTypeInfo(item.Get(), &references.item));
    RETURN_IF_FAILED(iface->AddRefTypeInfo(font.Get(), &references.font));
    for (UINT index = 0; index < std::size(kMembers); ++index)
        RETURN_IF_FAILED(AddMember(iface.Get(), index, kMembers[index], references, system == SYS_WIN64 ? 8 : 4));

    RETURN_IF_FAILED(Describe(events.Get(), DIID___Inspecta, TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE));
    HREFTYPE eventsDispatch = 0;
    RETURN_IF_FAILED(events->AddRefTypeInfo(dispatch.Get(), &eventsDispatch));
    RETURN_IF_FAILED(events->AddImplType(0, eventsDispatch));
    RETURN_IF_FAILED(AddEvent(events.Get(), 0, L"AfterPopulate", kDispidAfterPopulateEvent, false));
    RETURN_IF_FAILED(AddEvent(events.Get(), 1, L"PropertyChanged", kDispidPropertyChangedEvent, true));

    RETURN_IF_FAILED(Describe(coclass.Get(), CLSID_Inspecta, TYPEFLAG_FCONTROL));
    ComPtr<ITypeInfo> ifaceInfo, eventsInfo;
    RETURN_IF_FAILED(iface.As(&ifaceInfo));
    RETURN_IF_FAILED(events.As(&eventsInfo));
    HREFTYPE defaultInterface = 0, defaultSource = 0;
    RETURN_IF_FAILED(coclass->AddRefTypeInfo(ifaceInfo.Get(), &defaultInterface));
    RETURN_IF_FAILED(coclass->AddRefTypeInfo(eventsInfo.Get(), &defaultSource));
    RETURN_IF_FAILED(coclass->AddImplType(0, defaultInterface));
    RETURN_IF_FAILED(coclass->SetImplTypeFlags(0, IMPLTYPEFLAG_FDEFAULT));
    RETURN_IF_FAILED(coclass->AddImplType(1, defaultSource));
    RETURN_IF_FAILED(coclass->SetImplTypeFlags(1, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE));

    RETURN_IF_FAILED(iface->LayOut());
    RETURN_IF_FAILED(coclass->LayOut());
    // LayOut marks the class dispatchable; a control class carries the control flag alone.
    RETURN_IF_FAILED(coclass->SetTypeFlags(TYPEFLAG_FCONTROL));
    RETURN_IF_FAILED(events->LayOut());
    RETURN_IF_FAILED(library->SaveAllChanges());
    return StoreVtableSize(path, static_cast<WORD>((7 + std::size(kMembers)) * (system == SYS_WIN64 ? 8 : 4)));
}

// The build hands us host paths; Wine reaches the host's root through drive Z:.
std::wstring WindowsPath(const char* path) {
    std::wstring result = path[0] == '/' ? L"Z:" : L"";
    for (const char* c = path; *c; ++c) result += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: typelib_writer <list library .tlb> <32-bit .tlb> <64-bit .tlb>\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    HRESULT hr = S_OK;
    {
        ComPtr<ITypeLib> listLibrary;
        hr = LoadTypeLibEx(WindowsPath(argv[1]).c_str(), REGKIND_NONE, listLibrary.Put());
        if (SUCCEEDED(hr)) hr = WriteLibrary(SYS_WIN32, WindowsPath(argv[2]), listLibrary.Get());
        if (SUCCEEDED(hr)) hr = WriteLibrary(SYS_WIN64, WindowsPath(argv[3]), listLibrary.Get());
    }
    CoUninitialize();
    if (FAILED(hr)) std::fprintf(stderr, "typelib_writer: failed with 0x%08lx\n", static_cast<unsigned long>(hr));
    return FAILED(hr) ? 1 : 0;
}
