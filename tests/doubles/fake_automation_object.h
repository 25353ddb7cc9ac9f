#pragma once

#include "ole/com_ptr.h"
#include "ole/variant.h"
#include "tests/doubles/test_double.h"

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace doubles {

// A scriptable automation object: named properties holding any VARIANT, each read-write,
// read-only or absent, failures injected per member and invoke kind, and a log of every call.
// Names compare without regard to case, as automation's do.
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
        HRESULT result;
    };

    static ole::ComPtr<FakeAutomationObject> Create(std::string name = "client") { return Make(std::move(name)); }

    void SetProperty(const std::wstring& name, const VARIANT& value, Access access = Access::ReadWrite);
    void SetProperty(const std::wstring& name, const ole::Variant& value, Access access = Access::ReadWrite) {
        SetProperty(name, value.Get(), access);
    }
    // The property's current value, or null if it is absent.
    const VARIANT* Property(const std::wstring& name);

    // Makes calls of `kind` on `member` fail with `failure`. With a source or a description,
    // Invoke reports them through EXCEPINFO and returns DISP_E_EXCEPTION.
    void FailOn(const std::wstring& member, WORD kind, HRESULT failure, std::wstring source = {},
                std::wstring description = {});

    const std::vector<Call>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        static constexpr ole::InterfaceEntry table[] = {ole::Implements<FakeAutomationObject, IDispatch>()};
        return table;
    }

    // IDispatch
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
        std::wstring source;
        std::wstring description;
    };

    friend Double;
    explicit FakeAutomationObject(std::string name) : Double(std::move(name)) {}
    Member* Find(const std::wstring& name);
    const Failure* FailureFor(const std::wstring& member, WORD kind) const;
    HRESULT Fail(const Failure& failure, EXCEPINFO* exception) const;
    HRESULT InvokeMember(Member& member, WORD kind, const DISPPARAMS& parameters, VARIANT* result,
                         EXCEPINFO* exception);

    std::vector<Member> members_;  // a member's DISPID is its index + 1, stable once given
    std::vector<Failure> failures_;
    std::vector<Call> calls_;
};

}  // namespace doubles
