#include "ole/variant.h"

#include <new>
#include <utility>

namespace ole {

namespace {

// The types a VARIANT may hold, alone, by reference or as an array's elements.
bool IsVariantType(VARTYPE base) noexcept {
    switch (base) {
    case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_CY: case VT_DATE:
    case VT_BSTR: case VT_DISPATCH: case VT_ERROR: case VT_BOOL: case VT_VARIANT: case VT_UNKNOWN:
    case VT_DECIMAL: case VT_I1: case VT_UI1: case VT_UI2: case VT_UI4: case VT_I8: case VT_UI8: case VT_INT:
    case VT_UINT: case VT_RECORD:
        return true;
    default:
        return false;
    }
}

}  // namespace

HRESULT CheckVariant(const VARIANT& value) noexcept {
    const VARTYPE type = V_VT(&value);
    const VARTYPE base = type & VT_TYPEMASK;
    const bool qualified = (type & (VT_ARRAY | VT_BYREF)) != 0;
    if ((type & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)) != 0 || !IsVariantType(base)) return DISP_E_BADVARTYPE;
    // Empty and null are never referred to nor array elements; a variant is never held by value.
    if ((base == VT_EMPTY || base == VT_NULL) && qualified) return DISP_E_BADVARTYPE;
    if (base == VT_VARIANT && !qualified) return DISP_E_BADVARTYPE;
    if (!(type & VT_BYREF)) return S_OK;
    if (!V_BYREF(&value)) return E_INVALIDARG;
    if (type != (VT_VARIANT | VT_BYREF)) return S_OK;
    // A copy follows a reference to a variant one step, into a value that is no such reference.
    const VARIANT& target = *V_VARIANTREF(&value);
    if (V_VT(&target) == (VT_VARIANT | VT_BYREF)) return E_INVALIDARG;
    return CheckVariant(target);
}

Variant::Variant(bool value) noexcept : Variant(value ? VARIANT_TRUE : VARIANT_FALSE) {}

Variant::Variant(VARIANT_BOOL value) noexcept {
    V_VT(&value_) = VT_BOOL;
    V_BOOL(&value_) = value;
}

Variant::Variant(LONG value) noexcept {
    V_VT(&value_) = VT_I4;
    V_I4(&value_) = value;
}

Variant::Variant(std::wstring_view text) {
    BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!copy) throw std::bad_alloc();
    V_VT(&value_) = VT_BSTR;
    V_BSTR(&value_) = copy;
}

Variant::Variant(IDispatch* object) noexcept {
    V_VT(&value_) = VT_DISPATCH;
    V_DISPATCH(&value_) = object;
    if (object) object->AddRef();
}

Variant::Variant(IUnknown* object) noexcept {
    V_VT(&value_) = VT_UNKNOWN;
    V_UNKNOWN(&value_) = object;
    if (object) object->AddRef();
}

Variant::Variant(Variant&& other) noexcept {
    value_ = other.value_;
    V_VT(&other.value_) = VT_EMPTY;
}

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        Reset();
        value_ = other.value_;
        V_VT(&other.value_) = VT_EMPTY;
    }
    return *this;
}

HRESULT Variant::CopyFrom(const VARIANT& source) noexcept {
    Reset();
    const HRESULT hr = VariantCopy(&value_, const_cast<VARIANT*>(&source));
    if (FAILED(hr)) VariantInit(&value_);
    return hr;
}

HRESULT ChangeType(Variant& converted, const VARIANT& source, VARTYPE type, LCID locale, USHORT flags) noexcept {
    const HRESULT hr = VariantChangeTypeEx(converted.Out(), const_cast<VARIANT*>(&source), locale, flags, type);
    if (FAILED(hr)) converted.Reset();
    return hr;
}

HRESULT CopyVariant(VARIANT* destination, const VARIANT& source) noexcept {
    if (!destination) return E_POINTER;
    VariantInit(destination);
    return VariantCopy(destination, const_cast<VARIANT*>(&source));
}

bool EqualsTrue(const VARIANT& value, LCID locale) noexcept {
    VARIANT isTrue;
    V_VT(&isTrue) = VT_BOOL;
    V_BOOL(&isTrue) = VARIANT_TRUE;
    return VarCmp(const_cast<VARIANT*>(&value), &isTrue, locale, 0) == VARCMP_EQ;
}

std::optional<std::wstring> TextOf(const VARIANT& value, LCID locale, USHORT flags) {
    Variant text;
    if (FAILED(ChangeType(text, value, VT_BSTR, locale, flags))) return std::nullopt;
    const BSTR converted = V_BSTR(&text.Get());
    return std::wstring(converted ? converted : L"", SysStringLen(converted));
}

Variant Variant::Attach(VARIANT& source) noexcept {
    Variant owner;
    owner.value_ = source;
    VariantInit(&source);
    return owner;
}

VARIANT* Variant::Out() noexcept {
    Reset();
    return &value_;
}

void Variant::Detach(VARIANT* destination) noexcept {
    *destination = value_;
    V_VT(&value_) = VT_EMPTY;
}

void Variant::Reset() noexcept {
    // Nothing held, a plain number, or a reference only to release: every list walk and every
    // value read ends here, so these skip the platform's general clearing.
    switch (V_VT(&value_)) {
    case VT_EMPTY: return;
    case VT_NULL:
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BOOL:
    case VT_ERROR:
        V_VT(&value_) = VT_EMPTY;
        return;
    case VT_DISPATCH:
    case VT_UNKNOWN: {
        // Emptied before the release, which may re-enter.
        IUnknown* object = std::exchange(V_UNKNOWN(&value_), nullptr);
        V_VT(&value_) = VT_EMPTY;
        if (object) object->Release();
        return;
    }
    default: VariantClear(&value_);
    }
}

namespace {

const VARIANT& Dereferenced(const VARIANT& reference) noexcept {
    if (V_VT(&reference) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(&reference)) return *V_VARIANTREF(&reference);
    return reference;
}

}  // namespace

bool HoldsObjectReference(const VARIANT& reference) noexcept {
    switch (V_VT(&Dereferenced(reference))) {
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_DISPATCH | VT_BYREF:
    case VT_UNKNOWN | VT_BYREF:
        return true;
    default:
        return false;
    }
}

IUnknown* ReferencedObject(const VARIANT& reference) noexcept {
    const VARIANT* value = &Dereferenced(reference);
    switch (V_VT(value)) {
    case VT_DISPATCH: return V_DISPATCH(value);
    case VT_UNKNOWN: return V_UNKNOWN(value);
    case VT_DISPATCH | VT_BYREF: return V_DISPATCHREF(value) ? *V_DISPATCHREF(value) : nullptr;
    case VT_UNKNOWN | VT_BYREF: return V_UNKNOWNREF(value) ? *V_UNKNOWNREF(value) : nullptr;
    default: return nullptr;
    }
}

}  // namespace ole
