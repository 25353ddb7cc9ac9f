#include "proplist/item_generator.h"

#include "ole/bstr.h"
#include "ole/error_info.h"
#include "ole/hresult.h"
#include "ole/late_bound.h"
#include "ole/variant.h"
#include "proplist/description_cache.h"
#include "proplist/item_categories.h"
#include "proplist/list_errors.h"
#include "proplist/value_text.h"

#include <algorithm>
#include <map>
#include <numeric>

#include <olectl.h>

namespace proplist {

namespace {

using ole::ComPtr;

// TYPEATTR, released with its type information.
class TypeAttributes {
public:
    TypeAttributes(const TypeAttributes&) = delete;
    TypeAttributes& operator=(const TypeAttributes&) = delete;
    explicit TypeAttributes(ITypeInfo* info) : info_(info) {
        if (FAILED(info->GetTypeAttr(&attributes_))) attributes_ = nullptr;
    }
    ~TypeAttributes() {
        if (attributes_) info_->ReleaseTypeAttr(attributes_);
    }
    const TYPEATTR* operator->() const noexcept { return attributes_; }
    explicit operator bool() const noexcept { return attributes_ != nullptr; }

private:
    ITypeInfo* info_;
    TYPEATTR* attributes_ = nullptr;
};

class FunctionDescription {
public:
    FunctionDescription(const FunctionDescription&) = delete;
    FunctionDescription& operator=(const FunctionDescription&) = delete;
    FunctionDescription(ITypeInfo* info, UINT index) : info_(info) {
        if (FAILED(info->GetFuncDesc(index, &description_))) description_ = nullptr;
    }
    ~FunctionDescription() {
        if (description_) info_->ReleaseFuncDesc(description_);
    }
    const FUNCDESC* operator->() const noexcept { return description_; }
    explicit operator bool() const noexcept { return description_ != nullptr; }

private:
    ITypeInfo* info_;
    FUNCDESC* description_ = nullptr;
};

class VariableDescription {
public:
    VariableDescription(const VariableDescription&) = delete;
    VariableDescription& operator=(const VariableDescription&) = delete;
    VariableDescription(ITypeInfo* info, UINT index) : info_(info) {
        if (FAILED(info->GetVarDesc(index, &description_))) description_ = nullptr;
    }
    ~VariableDescription() {
        if (description_) info_->ReleaseVarDesc(description_);
    }
    const VARDESC* operator->() const noexcept { return description_; }
    explicit operator bool() const noexcept { return description_ != nullptr; }

private:
    ITypeInfo* info_;
    VARDESC* description_ = nullptr;
};

struct StyleAndType {
    LONG style;
    VARTYPE valueType;
};

// How a property of a plain automation type is edited, and the type an edit is stored as.
StyleAndType StyleOf(VARTYPE type) {
    switch (type) {
    case VT_BSTR:
    case VT_LPSTR:
    case VT_LPWSTR: return {kStyleText, VT_BSTR};
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8: return {kStyleWholeNumber, type};
    case VT_INT: return {kStyleWholeNumber, VT_I4};
    case VT_UINT: return {kStyleWholeNumber, VT_UI4};
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL: return {kStyleDecimalNumber, type};
    case VT_BOOL: return {kStyleBoolean, VT_BOOL};
    case VT_DATE: return {kStyleDate, VT_DATE};
    default: return {kStyleCustom, VT_EMPTY};  // objects, arrays, variants and the rest: the list's user decides
    }
}

std::wstring MemberName(ITypeInfo* info, MEMBERID id) {
    ole::Bstr name;
    if (FAILED(info->GetDocumentation(id, name.Out(), nullptr, nullptr, nullptr))) return {};
    return std::wstring(name.View());
}

// Collects the properties of an interface and its bases, each once, in the order first seen.
class PropertyCollector {
public:
    HRESULT Walk(ITypeInfo* info, int depth = 0);

    void Finish(std::vector<ItemDescription>& properties, std::vector<MEMBERID>& ids) {
        // A property's accessors (get, put, putref) are members of their own. They are merged
        // here, once, by sorting on the member id; properties keep the order in which their
        // first accessor was declared.
        std::vector<size_t> byId(found_.size());
        std::iota(byId.begin(), byId.end(), size_t{0});
        std::stable_sort(byId.begin(), byId.end(),
                         [&](size_t left, size_t right) { return found_[left].id < found_[right].id; });
        std::vector<size_t> firsts;
        for (size_t group = 0; group < byId.size();) {
            Found& first = found_[byId[group]];
            size_t next = group + 1;
            for (; next < byId.size() && found_[byId[next]].id == first.id; ++next) {
                Found& other = found_[byId[next]];
                first.writable = first.writable || other.writable;
                first.excluded = first.excluded || other.excluded;
                if (other.readable) {
                    first.readable = true;
                    first.description = std::move(other.description);
                }
            }
            firsts.push_back(byId[group]);
            group = next;
        }
        std::sort(firsts.begin(), firsts.end());
        for (size_t at : firsts) {
            Found& found = found_[at];
            if (!found.readable || found.excluded) continue;
            found.description.readOnly = !found.writable;
            found.description.memberId = found.id;
            ids.push_back(found.id);
            properties.push_back(std::move(found.description));
        }
    }

private:
    struct Found {
        MEMBERID id;
        bool readable = false;
        bool writable = false;
        bool excluded = false;
        ItemDescription description;
    };

    // A record of one member; Finish merges the records of one property.
    Found& Entry(MEMBERID id) { return found_.emplace_back(Found{id, false, false, false, {}}); }

    HRESULT WalkBases(ITypeInfo* info, const TYPEATTR& attributes, int depth);
    void AddFunction(ITypeInfo* info, const FUNCDESC& function);
    void AddVariable(ITypeInfo* info, const VARDESC& variable);
    void Classify(ITypeInfo* context, const TYPEDESC& type, ItemDescription& description);
    // An alias (OLE_COLOR, or another name for a type) or an enumeration.
    void ClassifyNamed(ITypeInfo* context, HREFTYPE reference, ItemDescription& description);
    std::shared_ptr<const EnumMembers> Members(ITypeInfo* enumeration);

    std::vector<Found> found_;
    std::map<std::wstring, std::shared_ptr<const EnumMembers>> enumerations_;
};

HRESULT PropertyCollector::Walk(ITypeInfo* info, int depth) {
    // Interfaces do not nest deeply; a deeper chain is a broken library.
    if (depth > 32) return TYPE_E_CIRCULARTYPE;
    TypeAttributes attributes(info);
    if (!attributes) return E_FAIL;
    if (attributes->guid == IID_IDispatch || attributes->guid == IID_IUnknown) return S_OK;
    if (attributes->typekind == TKIND_DISPATCH && (attributes->wTypeFlags & TYPEFLAG_FDUAL)) {
        // The vtable side of a dual interface names the accessors' real parameters.
        HREFTYPE vtable = 0;
        ComPtr<ITypeInfo> vtableInfo;
        if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable)) &&
            SUCCEEDED(info->GetRefTypeInfo(vtable, vtableInfo.Put()))) {
            return Walk(vtableInfo.Get(), depth + 1);
        }
    }
    if (attributes->typekind != TKIND_DISPATCH && attributes->typekind != TKIND_INTERFACE) {
        return TYPE_E_WRONGTYPEKIND;
    }
    RETURN_IF_FAILED(WalkBases(info, *attributes.operator->(), depth));
    const size_t members = found_.size() + attributes->cVars + attributes->cFuncs;
    found_.reserve(members);
    // A dispinterface declares its properties before its methods.
    for (UINT i = 0; i < attributes->cVars; ++i) {
        VariableDescription variable(info, i);
        if (variable) AddVariable(info, *variable.operator->());
    }
    for (UINT i = 0; i < attributes->cFuncs; ++i) {
        FunctionDescription function(info, i);
        if (function) AddFunction(info, *function.operator->());
    }
    return S_OK;
}

HRESULT PropertyCollector::WalkBases(ITypeInfo* info, const TYPEATTR& attributes, int depth) {
    if (attributes.cImplTypes == 0) return S_OK;
    HREFTYPE base = 0;
    ComPtr<ITypeInfo> baseInfo;
    if (FAILED(info->GetRefTypeOfImplType(0, &base)) || FAILED(info->GetRefTypeInfo(base, baseInfo.Put()))) {
        return S_OK;  // a base we cannot see contributes nothing
    }
    return Walk(baseInfo.Get(), depth + 1);
}

void PropertyCollector::AddFunction(ITypeInfo* info, const FUNCDESC& function) {
    if (function.invkind == INVOKE_FUNC) return;
    const bool concealed = (function.wFuncFlags & (FUNCFLAG_FRESTRICTED | FUNCFLAG_FHIDDEN)) != 0;
    if (function.invkind != INVOKE_PROPERTYGET) {
        if (!concealed) Entry(function.memid).writable = true;
        return;
    }
    Found& found = Entry(function.memid);
    const TYPEDESC* type = &function.elemdescFunc.tdesc;
    int required = 0;
    for (SHORT i = 0; i < function.cParams; ++i) {
        const ELEMDESC& parameter = function.lprgelemdescParam[i];
        const USHORT flags = parameter.paramdesc.wParamFlags;
        if (flags & PARAMFLAG_FRETVAL) {
            // The vtable side returns the value through its last parameter, a pointer to it.
            type = parameter.tdesc.vt == VT_PTR && parameter.tdesc.lptdesc ? parameter.tdesc.lptdesc : &parameter.tdesc;
        } else if (!(flags & (PARAMFLAG_FLCID | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT))) {
            ++required;
        }
    }
    if (concealed || required > 0) {
        found.excluded = true;
        return;
    }
    found.readable = true;
    found.description.name = MemberName(info, function.memid);
    found.description.declaredIn = info;
    found.description.memberId = function.memid;
    Classify(info, *type, found.description);
}

void PropertyCollector::AddVariable(ITypeInfo* info, const VARDESC& variable) {
    if (variable.varkind != VAR_DISPATCH && variable.varkind != VAR_PERINSTANCE) return;
    Found& found = Entry(variable.memid);
    if (variable.wVarFlags & (VARFLAG_FRESTRICTED | VARFLAG_FHIDDEN)) {
        found.excluded = true;
        return;
    }
    found.readable = true;
    found.writable = !(variable.wVarFlags & VARFLAG_FREADONLY);
    found.description.name = MemberName(info, variable.memid);
    found.description.declaredIn = info;
    found.description.memberId = variable.memid;
    Classify(info, variable.elemdescVar.tdesc, found.description);
}

// Whether a reference names the OLE font, under any of its names (IFontDisp is an alias of it).
bool IsFontType(ITypeInfo* context, HREFTYPE reference, int depth = 0) {
    ComPtr<ITypeInfo> named;
    if (depth > 4 || FAILED(context->GetRefTypeInfo(reference, named.Put()))) return false;
    TypeAttributes attributes(named.Get());
    if (!attributes) return false;
    if (attributes->typekind == TKIND_ALIAS) {
        return attributes->tdescAlias.vt == VT_USERDEFINED &&
               IsFontType(named.Get(), attributes->tdescAlias.hreftype, depth + 1);
    }
    return IsEqualGUID(attributes->guid, IID_IFontDisp) || IsEqualGUID(attributes->guid, IID_IFont) ||
           IsEqualGUID(attributes->guid, CLSID_StdFont);
}

void PropertyCollector::Classify(ITypeInfo* context, const TYPEDESC& type, ItemDescription& description) {
    if (type.vt == VT_PTR && type.lptdesc && type.lptdesc->vt == VT_USERDEFINED) {
        description.fontTyped = IsFontType(context, type.lptdesc->hreftype);
    }
    if (type.vt == VT_USERDEFINED) {
        description.style = kStyleCustom;
        description.valueType = VT_EMPTY;
        ClassifyNamed(context, type.hreftype, description);
        return;
    }
    const StyleAndType plain = StyleOf(type.vt);
    description.style = plain.style;
    description.valueType = plain.valueType;
}

void PropertyCollector::ClassifyNamed(ITypeInfo* context, HREFTYPE reference, ItemDescription& description) {
    ComPtr<ITypeInfo> named;
    if (FAILED(context->GetRefTypeInfo(reference, named.Put()))) return;
    TypeAttributes attributes(named.Get());
    if (!attributes) return;
    if (attributes->typekind == TKIND_ALIAS) {
        if (MemberName(named.Get(), MEMBERID_NIL) == L"OLE_COLOR") {
            description.style = kStyleColour;
            description.valueType = VT_UI4;
            return;
        }
        Classify(named.Get(), attributes->tdescAlias, description);
        return;
    }
    if (attributes->typekind == TKIND_ENUM) {
        description.style = kStyleEnumeration;
        description.valueType = VT_I4;
        description.members = Members(named.Get());
    }
}

std::shared_ptr<const EnumMembers> PropertyCollector::Members(ITypeInfo* enumeration) {
    const std::wstring name = MemberName(enumeration, MEMBERID_NIL);
    if (const auto known = enumerations_.find(name); known != enumerations_.end() && !name.empty()) {
        return known->second;
    }
    auto members = std::make_shared<EnumMembers>();
    TypeAttributes attributes(enumeration);
    for (UINT i = 0; attributes && i < attributes->cVars; ++i) {
        VariableDescription constant(enumeration, i);
        if (!constant || constant->varkind != VAR_CONST || !constant->lpvarValue) continue;
        ole::Variant value;
        if (FAILED(VariantChangeType(value.Out(), constant->lpvarValue, 0, VT_I4))) continue;
        ole::Bstr constantName, documentation;
        // A constant whose name cannot be read still stands for a value the property takes.
        static_cast<void>(
            enumeration->GetDocumentation(constant->memid, constantName.Out(), documentation.Out(), nullptr, nullptr));
        members->push_back({std::wstring(constantName.View()), V_I4(&value.Get()), std::wstring(documentation.View())});
    }
    ShowMembersByShortNames(*members);
    std::shared_ptr<const EnumMembers> shared = std::move(members);
    if (!name.empty()) enumerations_.emplace(name, shared);
    return shared;
}

HRESULT DefaultInterfaceOfClass(ITypeInfo* coclass, ComPtr<ITypeInfo>& info) {
    TypeAttributes attributes(coclass);
    if (!attributes || attributes->typekind != TKIND_COCLASS) return TYPE_E_WRONGTYPEKIND;
    for (UINT i = 0; i < attributes->cImplTypes; ++i) {
        INT flags = 0;
        if (FAILED(coclass->GetImplTypeFlags(i, &flags))) continue;
        if ((flags & IMPLTYPEFLAG_FDEFAULT) && !(flags & IMPLTYPEFLAG_FSOURCE)) {
            HREFTYPE reference = 0;
            RETURN_IF_FAILED(coclass->GetRefTypeOfImplType(i, &reference));
            return coclass->GetRefTypeInfo(reference, info.Put());
        }
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

// Whether `kept` may stand for a new item described by `made`: nobody else holds it and it
// describes the same property. Each fill names the categories anew, so one of the same name is
// the same category.
bool CanRenew(const PropertyItem* kept, ItemDescription& made) noexcept {
    if (!kept || !kept->IsHeldOnce()) return false;
    const std::shared_ptr<const std::wstring>& category = kept->Description().category;
    if (category && made.category && *category == *made.category) made.category = category;
    return kept->Description() == made;
}

}  // namespace

HRESULT ObjectTypeInfo(IDispatch* object, ComPtr<ITypeInfo>& info) noexcept {
    info.Reset();
    if (!object) return RaiseListError(kErrorObjectRequired, IID__Kavella);
    return ole::Guarded([&]() -> HRESULT {
        UINT count = 0;
        if (SUCCEEDED(object->GetTypeInfoCount(&count)) && count > 0 &&
            SUCCEEDED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Put())) && info) {
            // Some objects answer with their class rather than their interface.
            bool isClass = false;
            {
                TypeAttributes attributes(info.Get());
                isClass = attributes && attributes->typekind == TKIND_COCLASS;
            }
            if (!isClass) return S_OK;
            ComPtr<ITypeInfo> coclass = std::move(info);
            if (SUCCEEDED(DefaultInterfaceOfClass(coclass.Get(), info)) && info) return S_OK;
        }
        info.Reset();
        ComPtr<IProvideClassInfo> classInfo;
        ComPtr<ITypeInfo> coclass;
        if (SUCCEEDED(object->QueryInterface(IID_IProvideClassInfo, classInfo.PutVoid())) &&
            SUCCEEDED(classInfo->GetClassInfo(coclass.Put())) && coclass &&
            SUCCEEDED(DefaultInterfaceOfClass(coclass.Get(), info)) && info) {
            return S_OK;
        }
        info.Reset();
        return RaiseListError(kErrorNoTypeInformation, IID__Kavella);
    });
}

HRESULT DescribeProperties(ITypeInfo* info, std::vector<ItemDescription>& properties,
                           std::vector<MEMBERID>& ids) noexcept {
    properties.clear();
    ids.clear();
    return ole::Guarded([&]() -> HRESULT {
        PropertyCollector collector;
        RETURN_IF_FAILED(collector.Walk(info));
        collector.Finish(properties, ids);
        return S_OK;
    });
}

HRESULT GenerateItems(IDispatch* object, std::vector<ComPtr<PropertyItem>>& items, DescriptionCache* descriptions,
                      ItemValues values, std::vector<ComPtr<PropertyItem>> previous) noexcept {
    items.clear();
    ComPtr<ITypeInfo> info;
    RETURN_IF_FAILED(ObjectTypeInfo(object, info));
    std::vector<ItemDescription> properties;
    std::vector<MEMBERID> ids;
    RETURN_IF_FAILED(descriptions ? descriptions->Describe(info.Get(), properties, ids)
                                  : DescribeProperties(info.Get(), properties, ids));
    AssignCategories(object, ids, properties);
    return ole::Guarded([&]() -> HRESULT {
        std::vector<ComPtr<PropertyItem>> made;
        made.reserve(properties.size());
        for (size_t i = 0; i < properties.size(); ++i) {
            ComPtr<PropertyItem> item;
            if (i < previous.size() && CanRenew(previous[i].Get(), properties[i])) {
                item = std::move(previous[i]);
                item->Renew();
            } else {
                RETURN_IF_FAILED(ole::MakeObject(item, std::move(properties[i])));
            }
            ole::Variant value;
            // A property that cannot be read now still gets its item, showing nothing.
            if (values == ItemValues::kRead &&
                SUCCEEDED(ole::InvokeMember(object, ids[i], DISPATCH_PROPERTYGET, {}, &value))) {
                item->AdoptValue(std::move(value));
            }
            made.push_back(std::move(item));
        }
        // The failed reads' error info is not this call's.
        ole::ClearErrorInfo();
        items = std::move(made);
        return S_OK;
    });
}

}  // namespace proplist
