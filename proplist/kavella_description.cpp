#include "proplist/kavella_list.h"

#include "ole/error_info.h"
#include "ole/hresult.h"
#include "ole/property_bag.h"

#include <algorithm>

// The list's description pane as properties: shown or hidden, its height, and both saved with
// the list's other state.
namespace proplist {

namespace {

constexpr wchar_t kVisibleKey[] = L"DescriptionVisible";
constexpr wchar_t kHeightKey[] = L"DescriptionHeight";

}  // namespace

HRESULT KavellaList::get_DescriptionVisible(VARIANT_BOOL* visible) {
    if (!visible) return E_POINTER;
    *visible = view_->DescriptionVisible() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT KavellaList::put_DescriptionVisible(VARIANT_BOOL visible) {
    const bool on = visible != VARIANT_FALSE;
    if (on == view_->DescriptionVisible()) return S_OK;
    view_->SetDescriptionVisible(on);
    PropertyChanged(kDispidDescriptionVisible);
    InvalidateView();
    return S_OK;
}

HRESULT KavellaList::get_DescriptionHeight(LONG* height) {
    if (!height) return E_POINTER;
    *height = view_->DescriptionHeight();
    return S_OK;
}

HRESULT KavellaList::put_DescriptionHeight(LONG height) {
    // A height the window is too small for is laid out smaller and kept; one no window could
    // have is a mistake the caller should hear of.
    if (!DescriptionPane::IsValidHeight(height)) {
        ole::PublishErrorInfo(L"KavellaCtl.Kavella", L"DescriptionHeight is in pixels, from 1 to 32767", nullptr, 0,
                              IID__Kavella);
        return E_INVALIDARG;
    }
    if (height == view_->DescriptionHeight()) return S_OK;
    view_->SetDescriptionHeight(height);
    PropertyChanged(kDispidDescriptionHeight);
    InvalidateView();
    return S_OK;
}

HRESULT KavellaList::ReadDescriptionState(IPropertyBag* bag) {
    const ole::Variant visibleByDefault(true);
    const ole::Variant heightByDefault(LONG{DescriptionPane::kDefaultHeight});
    ole::Variant visible, height;
    RETURN_IF_FAILED(ole::ReadBagValue(bag, kVisibleKey, VT_BOOL, visibleByDefault.Get(), visible));
    RETURN_IF_FAILED(ole::ReadBagValue(bag, kHeightKey, VT_I4, heightByDefault.Get(), height));
    view_->SetDescriptionVisible(V_BOOL(&visible.Get()) != VARIANT_FALSE);
    // A saved height out of range (written by hand) should not stop the list loading.
    view_->SetDescriptionHeight(std::clamp(V_I4(&height.Get()), LONG{1}, DescriptionPane::kMaximumHeight));
    return S_OK;
}

HRESULT KavellaList::WriteDescriptionState(IPropertyBag* bag) {
    RETURN_IF_FAILED(ole::WriteBagValue(bag, kVisibleKey, ole::Variant(view_->DescriptionVisible()).Get()));
    return ole::WriteBagValue(bag, kHeightKey, ole::Variant(view_->DescriptionHeight()).Get());
}

}  // namespace proplist
