#pragma once

#include "ole/variant.h"
#include "tests/doubles/test_double.h"

namespace doubles {

// A scriptable automation object: named properties holding any VARIANT, each read-write or
// read-only, failures injected per member and invoke kind, and a log of every call. Names compare
// without regard to case, as automation's do; a member's DISPID is its index + 1.
class FakeAutomationObject final : public Double<FakeAutomationObject, IDispatch> {
public:
    enum class Access { ReadWrite, ReadOnly };
    // The invoke kind under which FailOn makes GetIDsOfNames fail for a member.
    static constexpr WORD kLookup = 0;
    struct Call {
        WORD kind;  // kLookup for GetIDsOfNames, else the invoke flags
        std::wstring member;
        LCID locale;
        std::vector<VARTYPE> argumentTypes;  // in natural order, first argument first
    };

    static ole::ComPtr<FakeAutomationObject> Create(std::string name = "client") { return Make(std::move(name)); }
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        static constexpr ole::InterfaceEntry table[] = {ole::Implements<FakeAutomationObject, IDispatch>()};
        return table;
    }

    void SetProperty(const std::wstring& name, ole::Variant value, Access access = Access::ReadWrite);
    const VARIANT* Property(const std::wstring& name) { return Find(name) ? &Find(name)->value.Get() : nullptr; }
    // Makes calls of `kind` on `member` fail with `failure`. With a source or a description,
    // Invoke reports them through EXCEPINFO and returns DISP_E_EXCEPTION.
    void FailOn(const std::wstring& member, WORD kind, HRESULT failure, std::wstring source = {},
                std::wstring description = {}) {
        failures_.push_back({member, kind, failure, std::move(source), std::move(description)});
    }
    const std::vector<Call>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }

    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override { return count ? *count = 0, S_OK : E_POINTER; }
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        return info ? *info = nullptr, TYPE_E_ELEMENTNOTFOUND : E_POINTER;
    }
    IFACEMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override;

private:
    struct Member {
        std::wstring name;
        ole::Variant value;
        Access access;
    };
    struct Failure {
        std::wstring member;
        WORD kind;
        HRESULT result;
        std::wstring source, description;
    };

    friend Double;
    explicit FakeAutomationObject(std::string name) : Double(std::move(name)) {}
    Member* Find(const std::wstring& name);
    const Failure* FailureFor(const std::wstring& member, WORD kind) const;
    static HRESULT Fail(const Failure& failure, EXCEPINFO* exception);
    static HRESULT InvokeMember(Member& member, WORD kind, const DISPPARAMS& parameters, VARIANT* result);

    std::vector<Member> members_;
    std::vector<Failure> failures_;
    std::vector<Call> calls_;
};

}  // namespace doubles
