#include "tests/support/run_time_types.h"

#include "ole/com_object.h"
#include "ole/hresult.h"
#include "ole/variant.h"

#include <ocidl.h>

#include <map>

namespace support {

namespace {

using ole::ComPtr;

// A library being written, with the types it may refer to by name.
struct LibraryWriter {
    ComPtr<ICreateTypeLib2> library;
    std::map<std::wstring, ComPtr<ITypeInfo>, std::less<>> named;
};

// The member's type in `type`; a pointer's target goes in `pointee`.
HRESULT DescribeType(LibraryWriter& writer, ICreateTypeInfo* creator, const Member& member, TYPEDESC& type,
                     TYPEDESC& pointee) {
    type.vt = member.type;
    if (member.type != VT_USERDEFINED && member.type != VT_PTR) return S_OK;
    TYPEDESC& named = member.type == VT_PTR ? pointee : type;
    if (member.type == VT_PTR) type.lptdesc = &pointee;
    named.vt = VT_USERDEFINED;
    const auto found = writer.named.find(member.of ? member.of : L"");
    if (found == writer.named.end()) return TYPE_E_ELEMENTNOTFOUND;
    return creator->AddRefTypeInfo(found->second.Get(), &named.hreftype);
}

// A dispinterface returns a property's value; a dual interface's method returns an HRESULT and
// hands the value out through a pointer.
HRESULT AddFunction(LibraryWriter& writer, ICreateTypeInfo* creator, UINT& index, const Member& member,
                    INVOKEKIND kind, bool dual) {
    TYPEDESC type{}, pointee{};
    RETURN_IF_FAILED(DescribeType(writer, creator, member, type, pointee));
    const TYPEDESC pointer{{&type}, VT_PTR}, row{{nullptr}, VT_I4};
    ELEMDESC parameters[2]{};
    SHORT count = 0;
    if (member.flags & kIndexed) parameters[count++] = {.tdesc = row, .paramdesc = {nullptr, PARAMFLAG_FIN}};
    FUNCDESC function{};
    function.memid = member.id;
    function.invkind = kind;
    function.callconv = CC_STDCALL;
    function.funckind = dual ? FUNC_PUREVIRTUAL : FUNC_DISPATCH;
    function.oVft = dual ? static_cast<SHORT>((7 + index) * sizeof(void*)) : 0;
    function.wFuncFlags = static_cast<WORD>((member.flags & kHidden ? FUNCFLAG_FHIDDEN : 0) |
                                            (member.flags & kRestricted ? FUNCFLAG_FRESTRICTED : 0));
    function.elemdescFunc.tdesc.vt = dual ? VT_HRESULT : VT_VOID;
    if (kind == INVOKE_PROPERTYGET && dual) {
        parameters[count++] = {.tdesc = pointer, .paramdesc = {nullptr, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL}};
    } else if (kind == INVOKE_PROPERTYGET) {
        function.elemdescFunc.tdesc = type;
    } else if (kind != INVOKE_FUNC) {
        parameters[count++] = {.tdesc = type, .paramdesc = {nullptr, PARAMFLAG_FIN}};
    }
    function.cParams = count;
    function.lprgelemdescParam = parameters;
    RETURN_IF_FAILED(creator->AddFuncDesc(index, &function));
    LPOLESTR names[] = {const_cast<LPOLESTR>(member.name.c_str()), const_cast<LPOLESTR>(L"Row")};
    RETURN_IF_FAILED(creator->SetFuncAndParamNames(index, names, member.flags & kIndexed ? 2 : 1));
    if (member.help) RETURN_IF_FAILED(creator->SetFuncDocString(index, const_cast<LPOLESTR>(member.help)));
    ++index;
    return S_OK;
}

// A dispinterface's property, or (with a value) an enumeration's constant.
HRESULT AddVariable(LibraryWriter& writer, ICreateTypeInfo* creator, UINT index, const Member& member,
                    const VARIANT* value) {
    VARDESC variable{};
    TYPEDESC pointee{};
    RETURN_IF_FAILED(DescribeType(writer, creator, member, variable.elemdescVar.tdesc, pointee));
    variable.memid = value ? static_cast<MEMBERID>(0x40000000 + index) : member.id;
    variable.varkind = value ? VAR_CONST : VAR_DISPATCH;
    variable.lpvarValue = const_cast<VARIANT*>(value);
    variable.wVarFlags = static_cast<WORD>((member.flags & kReadOnly ? VARFLAG_FREADONLY : 0) |
                                           (member.flags & kHidden ? VARFLAG_FHIDDEN : 0));
    RETURN_IF_FAILED(creator->AddVarDesc(index, &variable));
    RETURN_IF_FAILED(creator->SetVarName(index, const_cast<LPOLESTR>(member.name.c_str())));
    return member.help ? creator->SetVarDocString(index, const_cast<LPOLESTR>(member.help)) : S_OK;
}

HRESULT AddMembers(LibraryWriter& writer, ICreateTypeInfo* creator, const TypeRows& type) {
    const bool dual = type.kind == Kind::kDual;
    UINT functions = 0, variables = 0;
    for (const Member& member : type.members) {
        if (type.kind == Kind::kEnumeration) {
            const ole::Variant value(LONG{member.id});
            RETURN_IF_FAILED(AddVariable(writer, creator, variables++, member, &value.Get()));
        } else if (member.flags & kVariable) {
            RETURN_IF_FAILED(AddVariable(writer, creator, variables++, member, nullptr));
        } else if (member.flags & kMethod) {
            RETURN_IF_FAILED(AddFunction(writer, creator, functions, member, INVOKE_FUNC, dual));
        } else {
            RETURN_IF_FAILED(AddFunction(writer, creator, functions, member, INVOKE_PROPERTYGET, dual));
            if (member.flags & kReadOnly) continue;
            const INVOKEKIND put = member.flags & kByReference ? INVOKE_PROPERTYPUTREF : INVOKE_PROPERTYPUT;
            RETURN_IF_FAILED(AddFunction(writer, creator, functions, member, put, dual));
        }
    }
    return S_OK;
}

// An interface derives from IDispatch; a class implements its default interface; an alias names its type.
HRESULT AddType(LibraryWriter& writer, const TypeRows& type) {
    static constexpr TYPEKIND kinds[] = {TKIND_DISPATCH, TKIND_INTERFACE, TKIND_ENUM, TKIND_ALIAS, TKIND_COCLASS};
    ComPtr<ICreateTypeInfo> creator;
    GUID id{};
    RETURN_IF_FAILED(writer.library->CreateTypeInfo(const_cast<LPOLESTR>(type.name),
                                                    kinds[static_cast<int>(type.kind)], creator.Put()));
    RETURN_IF_FAILED(CoCreateGuid(&id));
    RETURN_IF_FAILED(creator->SetGuid(id));
    if (type.kind == Kind::kDual) RETURN_IF_FAILED(creator->SetTypeFlags(TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION));
    if (type.kind == Kind::kAlias || type.kind == Kind::kClass) {
        TYPEDESC described{}, pointee{};
        RETURN_IF_FAILED(DescribeType(writer, creator.Get(), type.members.at(0), described, pointee));
        if (type.kind == Kind::kAlias) RETURN_IF_FAILED(creator->SetTypeDescAlias(&described));
        if (type.kind == Kind::kClass) RETURN_IF_FAILED(creator->AddImplType(0, described.hreftype));
        if (type.kind == Kind::kClass) RETURN_IF_FAILED(creator->SetImplTypeFlags(0, IMPLTYPEFLAG_FDEFAULT));
    } else if (type.kind == Kind::kDispatch || type.kind == Kind::kDual) {
        HREFTYPE base = 0;
        RETURN_IF_FAILED(creator->AddRefTypeInfo(writer.named.at(L"IDispatch").Get(), &base));
        RETURN_IF_FAILED(creator->AddImplType(0, base));
    }
    const bool hasMembers = type.kind != Kind::kAlias && type.kind != Kind::kClass;
    if (hasMembers) RETURN_IF_FAILED(AddMembers(writer, creator.Get(), type));
    RETURN_IF_FAILED(creator->LayOut());
    return creator.As(&writer.named[type.name]);
}

HRESULT WriteLibrary(const wchar_t* path, std::span<const TypeRows> types) {
    LibraryWriter writer;
    ComPtr<ITypeLib> stdole;
    GUID libraryId{};
    RETURN_IF_FAILED(CreateTypeLib2(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32, path, writer.library.Put()));
    RETURN_IF_FAILED(CoCreateGuid(&libraryId));
    RETURN_IF_FAILED(writer.library->SetGuid(libraryId));
    RETURN_IF_FAILED(LoadTypeLib(L"stdole2.tlb", stdole.Put()));
    RETURN_IF_FAILED(stdole->GetTypeInfoOfGuid(IID_IDispatch, writer.named[L"IDispatch"].Put()));
    RETURN_IF_FAILED(stdole->GetTypeInfoOfGuid(IID_IFontDisp, writer.named[L"Font"].Put()));
    for (const TypeRows& type : types) RETURN_IF_FAILED(AddType(writer, type));
    return writer.library->SaveAllChanges();
}

class MemberIdObject final : public ole::ComObject<MemberIdObject, IDispatch> {
public:
    explicit MemberIdObject(ComPtr<ITypeInfo> info) : info_(std::move(info)) {}
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        static constexpr ole::InterfaceEntry table[] = {ole::Implements<MemberIdObject, IDispatch>()};
        return table;
    }

    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override { return count ? *count = 1, S_OK : E_POINTER; }
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return index == 0 ? info_.CopyTo(info) : DISP_E_BADINDEX;
    }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return info_->GetIDsOfNames(names, count, ids);
    }
    IFACEMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                          UINT*) override {
        if (!(kind & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
        if (parameters && parameters->cArgs) return DISP_E_BADPARAMCOUNT;
        ole::Variant(LONG{id}).Detach(result);
        return S_OK;
    }

private:
    ComPtr<ITypeInfo> info_;
};

}  // namespace

std::wstring PropertyName(UINT index) { return L"Prop" + std::to_wstring(index); }

HRESULT BuildLibrary(std::span<const TypeRows> types, std::vector<ComPtr<ITypeInfo>>& built) {
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"tlb", 0, path)) return E_FAIL;
    HRESULT hr = WriteLibrary(path, types);
    ComPtr<ITypeLib> loaded;
    if (SUCCEEDED(hr)) hr = LoadTypeLibEx(path, REGKIND_NONE, loaded.Put());
    DeleteFileW(path);
    RETURN_IF_FAILED(hr);
    built.resize(types.size());
    for (UINT i = 0; i < types.size(); ++i) RETURN_IF_FAILED(loaded->GetTypeInfo(i, built[i].Put()));
    return S_OK;
}

HRESULT BuildLongProperties(UINT count, Declared declared, ComPtr<ITypeInfo>& built) {
    TypeRows type{L"IRunTimeObject", declared == Declared::kDualMethods ? Kind::kDual : Kind::kDispatch, {}};
    const unsigned flags = kReadOnly | (declared == Declared::kDispatchVariables ? unsigned{kVariable} : 0u);
    type.members.reserve(count);
    for (UINT i = 0; i < count; ++i) type.members.push_back({PropertyName(i), static_cast<MEMBERID>(i + 1), VT_I4,
                                                             nullptr, flags});
    std::vector<ComPtr<ITypeInfo>> types;
    RETURN_IF_FAILED(BuildLibrary({&type, 1}, types));
    built = std::move(types.at(0));
    return S_OK;
}

ComPtr<IDispatch> MakeMemberIdObject(ComPtr<ITypeInfo> info) {
    ComPtr<MemberIdObject> made;
    if (FAILED(ole::MakeObject(made, std::move(info)))) return {};
    return ComPtr<IDispatch>(std::move(made));
}

ComPtr<IDispatch> MakeMemberIdObject(UINT count) {
    ComPtr<ITypeInfo> info;
    if (FAILED(BuildLongProperties(count, Declared::kDispatchFunctions, info))) return {};
    return MakeMemberIdObject(std::move(info));
}

}  // namespace support
