#pragma once

#include "ole/variant.h"
#include "tests/doubles/test_double.h"

#include <map>

namespace doubles {

// A container's property bag that records every Read and Write in order ("Read Font",
// "Write Enabled"), keeps what is written (objects by reference), and answers a missing key
// with E_INVALIDARG as hosts' bags do. A read hands back the value as kept, whatever type is asked
// for; in text mode every value is kept as a string, as Office's text bags do.
class RecordingPropertyBag final : public Double<RecordingPropertyBag, IPropertyBag> {
public:
    static ole::ComPtr<RecordingPropertyBag> Create(bool textOnly = false) { return Make(textOnly); }
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        static constexpr ole::InterfaceEntry table[] = {ole::Implements<RecordingPropertyBag, IPropertyBag>()};
        return table;
    }

    void Set(const std::wstring& name, const VARIANT& value) { EXPECT_EQ(values_[name].CopyFrom(value), S_OK); }
    void FailRead(const std::wstring& name, HRESULT failure) { failures_[name] = failure; }
    const std::vector<std::wstring>& Calls() const { return calls_; }
    // The type of each written value, in order of writing.
    const std::vector<std::pair<std::wstring, VARTYPE>>& WrittenTypes() const { return written_; }

    IFACEMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        if (!name || !value) return E_POINTER;
        calls_.push_back(L"Read " + std::wstring(name));
        if (const auto failing = failures_.find(name); failing != failures_.end()) return failing->second;
        const auto found = values_.find(name);
        return found == values_.end() ? E_INVALIDARG : ole::CopyVariant(value, found->second.Get());
    }
    IFACEMETHODIMP Write(LPCOLESTR name, VARIANT* value) override {
        if (!name || !value) return E_POINTER;
        calls_.push_back(L"Write " + std::wstring(name));
        written_.emplace_back(name, V_VT(value));
        ole::Variant stored;
        const bool asText = textOnly_ && V_VT(value) != VT_DISPATCH && V_VT(value) != VT_UNKNOWN;
        RETURN_IF_FAILED(asText ? ole::ChangeType(stored, *value, VT_BSTR, 0, VARIANT_ALPHABOOL)
                                : stored.CopyFrom(*value));
        values_[name] = std::move(stored);
        return S_OK;
    }

private:
    friend Double;
    explicit RecordingPropertyBag(bool textOnly) : Double("property bag"), textOnly_(textOnly) {}

    bool textOnly_;
    std::map<std::wstring, ole::Variant> values_;
    std::map<std::wstring, HRESULT> failures_;
    std::vector<std::wstring> calls_;
    std::vector<std::pair<std::wstring, VARTYPE>> written_;
};

}  // namespace doubles
