#include "proplist/description_pane.h"

#include "ole/bstr.h"
#include "ole/variant.h"

#include <algorithm>
#include <utility>

namespace proplist {

namespace {

using ole::ComPtr;

std::wstring Documentation(ITypeInfo* info, MEMBERID id, bool name) {
    ole::Bstr text;
    if (FAILED(info->GetDocumentation(id, name ? text.Out() : nullptr, name ? nullptr : text.Out(), nullptr,
                                      nullptr))) {
        return {};
    }
    return std::wstring(text.View());
}

const wchar_t* PlainTypeName(VARTYPE type) noexcept {
    switch (type) {
    case VT_BSTR:
    case VT_LPSTR:
    case VT_LPWSTR: return L"String";
    case VT_I1: return L"SByte";
    case VT_UI1: return L"Byte";
    case VT_I2: return L"Integer";
    case VT_UI2: return L"UInteger";
    case VT_I4:
    case VT_INT: return L"Long";
    case VT_UI4:
    case VT_UINT: return L"ULong";
    case VT_I8: return L"LongLong";
    case VT_UI8: return L"ULongLong";
    case VT_R4: return L"Single";
    case VT_R8: return L"Double";
    case VT_CY: return L"Currency";
    case VT_DECIMAL: return L"Decimal";
    case VT_DATE: return L"Date";
    case VT_BOOL: return L"Boolean";
    case VT_VARIANT: return L"Variant";
    case VT_DISPATCH: return L"Object";
    case VT_UNKNOWN: return L"Unknown";
    default: return L"";
    }
}

// A declared type as a user reads it, and the enumeration behind it (through aliases) if any.
struct DeclaredType {
    std::wstring name;
    ComPtr<ITypeInfo> enumeration;
};

ComPtr<ITypeInfo> EnumerationBehind(ComPtr<ITypeInfo> named) {
    // An alias of an alias is rare; a chain this long is a broken library.
    for (int depth = 0; named && depth < 8; ++depth) {
        TYPEATTR* attributes = nullptr;
        if (FAILED(named->GetTypeAttr(&attributes)) || !attributes) return {};
        const TYPEKIND kind = attributes->typekind;
        const TYPEDESC alias = attributes->tdescAlias;
        ComPtr<ITypeInfo> next;
        if (kind == TKIND_ALIAS && alias.vt == VT_USERDEFINED) named->GetRefTypeInfo(alias.hreftype, next.Put());
        named->ReleaseTypeAttr(attributes);
        if (kind == TKIND_ENUM) return named;
        named = std::move(next);
    }
    return {};
}

DeclaredType TypeOf(ITypeInfo* context, const TYPEDESC& type, int depth = 0) {
    if ((type.vt == VT_PTR || type.vt == VT_SAFEARRAY) && type.lptdesc && depth < 8) {
        DeclaredType pointee = TypeOf(context, *type.lptdesc, depth + 1);
        if (type.vt == VT_SAFEARRAY) pointee = {(pointee.name.empty() ? L"Variant" : pointee.name) + L"()", {}};
        return pointee;
    }
    if (type.vt != VT_USERDEFINED) return {PlainTypeName(type.vt), {}};
    ComPtr<ITypeInfo> named;
    if (FAILED(context->GetRefTypeInfo(type.hreftype, named.Put())) || !named) return {};
    DeclaredType declared{Documentation(named.Get(), MEMBERID_NIL, true), {}};
    declared.enumeration = EnumerationBehind(std::move(named));
    return declared;
}

// The type a property's getter returns, or a variable's type.
DeclaredType TypeOfMember(ITypeInfo* info, MEMBERID id) {
    ComPtr<ITypeInfo2> indexed;
    UINT index = 0;
    if (FAILED(info->QueryInterface(IID_ITypeInfo2, indexed.PutVoid()))) return {};
    DeclaredType declared;
    FUNCDESC* function = nullptr;
    VARDESC* variable = nullptr;
    if (SUCCEEDED(indexed->GetFuncIndexOfMemId(id, INVOKE_PROPERTYGET, &index)) &&
        SUCCEEDED(info->GetFuncDesc(index, &function)) && function) {
        const TYPEDESC* type = &function->elemdescFunc.tdesc;
        // The vtable side returns the value through its retval parameter.
        for (SHORT i = 0; i < function->cParams; ++i) {
            const ELEMDESC& parameter = function->lprgelemdescParam[i];
            if (parameter.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) type = &parameter.tdesc;
        }
        declared = TypeOf(info, *type);
        info->ReleaseFuncDesc(function);
    } else if (SUCCEEDED(indexed->GetVarIndexOfMemId(id, &index)) && SUCCEEDED(info->GetVarDesc(index, &variable)) &&
               variable) {
        declared = TypeOf(info, variable->elemdescVar.tdesc);
        info->ReleaseVarDesc(variable);
    }
    return declared;
}

// "Constant: its documentation" for the constant of `value`, when the library documents it.
std::wstring ConstantDocumentation(ITypeInfo* enumeration, LONG value) {
    TYPEATTR* attributes = nullptr;
    if (FAILED(enumeration->GetTypeAttr(&attributes)) || !attributes) return {};
    const UINT constants = attributes->cVars;
    enumeration->ReleaseTypeAttr(attributes);
    for (UINT i = 0; i < constants; ++i) {
        VARDESC* constant = nullptr;
        if (FAILED(enumeration->GetVarDesc(i, &constant)) || !constant) continue;
        ole::Variant converted;
        const bool matches = constant->varkind == VAR_CONST && constant->lpvarValue &&
                             SUCCEEDED(ole::ChangeType(converted, *constant->lpvarValue, VT_I4)) &&
                             V_I4(&converted.Get()) == value;
        const MEMBERID id = constant->memid;
        enumeration->ReleaseVarDesc(constant);
        if (!matches) continue;
        const std::wstring documentation = Documentation(enumeration, id, false);
        return documentation.empty() ? std::wstring() : Documentation(enumeration, id, true) + L": " + documentation;
    }
    return {};
}

bool EnumerationValue(const PropertyItem& item, LONG& value) {
    ole::Variant converted;
    if (item.Description().style != kStyleEnumeration ||
        FAILED(ole::ChangeType(converted, item.CurrentValue(), VT_I4))) {
        return false;
    }
    value = V_I4(&converted.Get());
    return true;
}

}  // namespace

std::wstring PropertyDescription::Body() const {
    const std::wstring typeLine = !readOnly ? type : type.empty() ? L"read-only" : type + L", read-only";
    std::wstring body;
    for (const std::wstring* line : {&documentation, &constantDocumentation, &typeLine}) {
        if (line->empty()) continue;
        if (!body.empty()) body += L"\n";
        body += *line;
    }
    return body;
}

PropertyDescription DescribeProperty(const PropertyItem& item) {
    const ItemDescription& known = item.Description();
    PropertyDescription description{known.name, {}, {}, {}, known.readOnly};
    ITypeInfo* info = known.declaredIn.Get();
    if (!info) return description;
    description.documentation = Documentation(info, known.memberId, false);
    const DeclaredType declared = TypeOfMember(info, known.memberId);
    description.type = declared.name;
    LONG value = 0;
    if (declared.enumeration && EnumerationValue(item, value)) {
        description.constantDocumentation = ConstantDocumentation(declared.enumeration.Get(), value);
    }
    return description;
}

int DescriptionPane::LaidOutHeight(int available, int rowHeight) const noexcept {
    if (!visible_) return 0;
    const int least = Least(rowHeight);
    const int most = available - rowHeight;
    if (most < least) return 0;
    return std::clamp(static_cast<int>(height_), least, most);
}

const PropertyDescription& DescriptionPane::DescriptionOf(PropertyItem& item) {
    LONG value = 0;
    const bool enumeration = EnumerationValue(item, value);
    if (described_.Get() != &item || (enumeration && value != describedValue_)) {
        description_ = DescribeProperty(item);
        described_ = &item;
        describedValue_ = value;
    }
    return description_;
}

void DescriptionPane::Draw(HDC dc, const RECT& area, PropertyItem* item, HFONT font, HFONT bold,
                           bool enabled) noexcept {
    FillRect(dc, &area, GetSysColorBrush(COLOR_3DFACE));
    RECT frame = area;
    frame.top = std::min(frame.bottom, frame.top + kSplitterThickness);
    FrameRect(dc, &frame, GetSysColorBrush(COLOR_3DSHADOW));
    if (!item) return;
    const PropertyDescription& description = DescriptionOf(*item);
    RECT text = frame;
    InflateRect(&text, -4, -2);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    HGDIOBJ previous = SelectObject(dc, bold);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT nameLine{text.left, text.top, text.right, std::min(text.bottom, text.top + metrics.tmHeight)};
    DrawTextW(dc, description.name.c_str(), static_cast<int>(description.name.size()), &nameLine,
              DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, font);
    const std::wstring body = description.Body();
    RECT bodyArea{text.left, nameLine.bottom + 2, text.right, text.bottom};
    DrawTextW(dc, body.c_str(), static_cast<int>(body.size()), &bodyArea,
              DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, previous);
}

}  // namespace proplist
