#pragma once

#include "ole/com_ptr.h"
#include "ole/variant.h"
#include "tests/doubles/test_double.h"

#include <windows.h>
#include <ocidl.h>

#include <map>
#include <string>
#include <vector>

namespace doubles {

// A container's property bag that records every Read and Write in order ("Read Font",
// "Write Enabled"), keeps what is written (objects by reference), and answers a missing key
// with E_INVALIDARG as hosts' bags do. In text mode it stores and hands back every value as a
// string, as Office's text bags do.
class RecordingPropertyBag final : public Double<RecordingPropertyBag, IPropertyBag> {
public:
    static ole::ComPtr<RecordingPropertyBag> Create(bool textOnly = false) { return Make(textOnly); }

    void Set(const std::wstring& name, const VARIANT& value);
    // Makes every Read of `name` fail with `failure`.
    void FailRead(const std::wstring& name, HRESULT failure) { failures_[name] = failure; }
    const std::vector<std::wstring>& Calls() const { return calls_; }
    // The type of each written value, in order of writing.
    const std::vector<std::pair<std::wstring, VARTYPE>>& WrittenTypes() const { return written_; }

    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        static constexpr ole::InterfaceEntry table[] = {ole::Implements<RecordingPropertyBag, IPropertyBag>()};
        return table;
    }
    IFACEMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    IFACEMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;

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
