#include "tests/doubles/recording_property_bag.h"

#include "ole/hresult.h"

#include <new>

namespace doubles {

void RecordingPropertyBag::Set(const std::wstring& name, const VARIANT& value) {
    ole::Variant copy;
    if (FAILED(copy.CopyFrom(value))) throw std::bad_alloc();
    values_[name] = std::move(copy);
}

IFACEMETHODIMP RecordingPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value) return E_POINTER;
    calls_.push_back(L"Read " + std::wstring(name));
    if (const auto failing = failures_.find(name); failing != failures_.end()) return failing->second;
    const auto found = values_.find(name);
    if (found == values_.end()) return E_INVALIDARG;
    const VARTYPE wanted = V_VT(value);
    if (textOnly_ || wanted == VT_EMPTY || wanted == found->second.Type()) {
        return ole::CopyVariant(value, found->second.Get());
    }
    ole::Variant converted;
    RETURN_IF_FAILED(ole::ChangeType(converted, found->second.Get(), wanted));
    converted.Detach(value);
    return S_OK;
}

IFACEMETHODIMP RecordingPropertyBag::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value) return E_POINTER;
    calls_.push_back(L"Write " + std::wstring(name));
    written_.emplace_back(name, V_VT(value));
    ole::Variant stored;
    const bool asText = textOnly_ && V_VT(value) != VT_DISPATCH && V_VT(value) != VT_UNKNOWN;
    const HRESULT hr = asText ? ole::ChangeType(stored, *value, VT_BSTR, 0, VARIANT_ALPHABOOL) : stored.CopyFrom(*value);
    if (FAILED(hr)) return hr;
    values_[name] = std::move(stored);
    return S_OK;
}

}  // namespace doubles
