#include "ole/variant.h"

#include <new>
#include <utility>

namespace ole {

Variant::Variant(bool value) noexcept : Variant(value ? VARIANT_TRUE : VARIANT_FALSE) {}

Variant::Variant(VARIANT_BOOL value) noexcept {
    VariantInit(&value_);
    V_VT(&value_) = VT_BOOL;
    V_BOOL(&value_) = value;
}

Variant::Variant(LONG value) noexcept {
    VariantInit(&value_);
    V_VT(&value_) = VT_I4;
    V_I4(&value_) = value;
}

Variant::Variant(std::wstring_view text) {
    VariantInit(&value_);
    BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!copy) throw std::bad_alloc();
    V_VT(&value_) = VT_BSTR;
    V_BSTR(&value_) = copy;
}

Variant::Variant(IDispatch* object) noexcept {
    VariantInit(&value_);
    V_VT(&value_) = VT_DISPATCH;
    V_DISPATCH(&value_) = object;
    if (object) object->AddRef();
}

Variant::Variant(IUnknown* object) noexcept {
    VariantInit(&value_);
    V_VT(&value_) = VT_UNKNOWN;
    V_UNKNOWN(&value_) = object;
    if (object) object->AddRef();
}

Variant::Variant(Variant&& other) noexcept {
    value_ = other.value_;
    VariantInit(&other.value_);
}

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        Reset();
        value_ = other.value_;
        VariantInit(&other.value_);
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
    VariantInit(&value_);
}

void Variant::Reset() noexcept {
    VariantClear(&value_);
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
