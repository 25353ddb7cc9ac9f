#include "proplist/property_item.h"

#include "ole/hresult.h"
#include "ole/late_bound.h"

namespace proplist {

namespace {

// A copy of `source` with any by-reference indirection resolved, as a property keeps values. A
// value that cannot be copied (a client's getter may return anything) leaves `target` as it was.
HRESULT CopyResolved(const VARIANT& source, ole::Variant& target) noexcept {
    RETURN_IF_FAILED(ole::CheckVariant(source));
    ole::Variant copy;
    RETURN_IF_FAILED(VariantCopyInd(copy.Out(), const_cast<VARIANT*>(&source)));
    target = std::move(copy);
    return S_OK;
}

}  // namespace

std::span<const ole::InterfaceEntry> PropertyItem::InterfaceTable() noexcept {
    static constexpr ole::InterfaceEntry table[] = {
        ole::Implements<PropertyItem, IPropertyItem>(),
        ole::Implements<PropertyItem, IDispatch, IPropertyItem>(),
        ole::Implements<PropertyItem, ISupportErrorInfo>(),
    };
    return table;
}

void PropertyItem::Changed() noexcept {
    if (owner_) owner_->ItemChanged(*this);
}

HRESULT PropertyItem::StoreValue(const VARIANT& value) noexcept {
    RETURN_IF_FAILED(CopyResolved(value, value_));
    Changed();
    return S_OK;
}

void PropertyItem::AdoptValue(ole::Variant&& value) noexcept {
    if ((value.Type() & VT_BYREF) || FAILED(ole::CheckVariant(value.Get()))) {
        StoreValue(value.Get());
        return;
    }
    value_ = std::move(value);
    Changed();
}

HRESULT PropertyItem::StoreEditedValue(const VARIANT& value) noexcept {
    ole::Variant replaced, first;
    RETURN_IF_FAILED(CopyResolved(value_.Get(), replaced));
    if (!edited_) RETURN_IF_FAILED(CopyResolved(value_.Get(), first));
    RETURN_IF_FAILED(CopyResolved(value, value_));
    if (!edited_) {
        beforeEdits_ = std::move(first);
        edited_ = true;
    }
    if (owner_) owner_->ItemEdited(*this, replaced.Get());
    Changed();
    return S_OK;
}

void PropertyItem::Renew() noexcept {
    // Released only once the item is new again: a value's release may run a client's code.
    ole::Variant value = std::move(value_);
    ole::Variant modified = std::move(modified_);
    ole::Variant beforeEdits = std::move(beforeEdits_);
    edited_ = false;
    visible_ = true;
    owner_ = nullptr;
}

HRESULT PropertyItem::get_Value(VARIANT* value) {
    if (!value) return E_POINTER;
    return ole::CopyVariant(value, value_.Get());
}

HRESULT PropertyItem::put_Value(VARIANT value) {
    // Code that assigns a value raises no event: only the user's edits are news to the list's user.
    RETURN_IF_FAILED(CopyResolved(value, value_));
    edited_ = false;
    beforeEdits_.Reset();
    Changed();
    return S_OK;
}

HRESULT PropertyItem::get_Name(BSTR* name) {
    if (!name) return E_POINTER;
    *name = SysAllocStringLen(description_.name.data(), static_cast<UINT>(description_.name.size()));
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT PropertyItem::get_ReadOnly(VARIANT_BOOL* readOnly) {
    if (!readOnly) return E_POINTER;
    *readOnly = description_.readOnly ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT PropertyItem::get_Style(LONG* style) {
    if (!style) return E_POINTER;
    *style = description_.style;
    return S_OK;
}

HRESULT PropertyItem::get_Visible(VARIANT_BOOL* visible) {
    if (!visible) return E_POINTER;
    *visible = visible_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT PropertyItem::put_Visible(VARIANT_BOOL visible) {
    const bool shown = visible != VARIANT_FALSE;
    if (shown == visible_) return S_OK;
    visible_ = shown;
    Changed();
    return S_OK;
}

HRESULT PropertyItem::get_Modified(VARIANT* modified) {
    if (!modified) return E_POINTER;
    return ole::CopyVariant(modified, modified_.Get());
}

namespace {

// The markers the engine writes (Boolean or nothing) are judged without the variant comparison,
// which every refresh would otherwise pay for each item.
bool MarksModified(const VARIANT& marker) noexcept {
    if (V_VT(&marker) == VT_BOOL) return V_BOOL(&marker) == VARIANT_TRUE;
    if (V_VT(&marker) == VT_EMPTY) return false;
    return ole::EqualsTrue(marker, ole::kLateBoundLocale);
}

}  // namespace

bool PropertyItem::IsMarkedModified() const noexcept { return MarksModified(modified_.Get()); }

HRESULT PropertyItem::put_Modified(VARIANT modified) {
    // The same Boolean again changes nothing: the marker is handed back as it was given.
    if (V_VT(&modified) == VT_BOOL && modified_.Type() == VT_BOOL && V_BOOL(&modified) == V_BOOL(&modified_.Get())) {
        return S_OK;
    }
    const bool wasMarked = IsMarkedModified();
    RETURN_IF_FAILED(CopyResolved(modified, modified_));
    // A marked value is drawn differently; an unchanged mark costs nothing.
    if (IsMarkedModified() != wasMarked) Changed();
    return S_OK;
}

}  // namespace proplist
