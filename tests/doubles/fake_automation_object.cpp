#include "tests/doubles/fake_automation_object.h"

namespace doubles {

void FakeAutomationObject::SetProperty(const std::wstring& name, ole::Variant value, Access access) {
    Member* member = Find(name);
    if (!member) member = &members_.emplace_back(Member{name, {}, access});
    *member = {member->name, std::move(value), access};
}

FakeAutomationObject::Member* FakeAutomationObject::Find(const std::wstring& name) {
    for (Member& member : members_) {
        if (SameName(member.name, name)) return &member;
    }
    return nullptr;
}

const FakeAutomationObject::Failure* FakeAutomationObject::FailureFor(const std::wstring& member, WORD kind) const {
    for (const Failure& failure : failures_) {
        const bool kindMatches = failure.kind == kLookup ? kind == kLookup : (failure.kind & kind) != 0;
        if (kindMatches && SameName(failure.member, member)) return &failure;
    }
    return nullptr;
}

HRESULT FakeAutomationObject::Fail(const Failure& failure, EXCEPINFO* exception) {
    if (!exception || (failure.source.empty() && failure.description.empty())) return failure.result;
    *exception = EXCEPINFO{};
    exception->scode = failure.result;
    exception->bstrSource = SysAllocString(failure.source.c_str());
    exception->bstrDescription = SysAllocString(failure.description.c_str());
    return DISP_E_EXCEPTION;
}

IFACEMETHODIMP FakeAutomationObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    calls_.push_back({kLookup, names[0], locale, {}});
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (const Failure* failure = FailureFor(names[0], kLookup)) return failure->result;
    const Member* member = Find(names[0]);
    if (!member) return DISP_E_UNKNOWNNAME;
    ids[0] = static_cast<DISPID>(member - members_.data()) + 1;
    // Named arguments are not supported beyond the member itself.
    return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

IFACEMETHODIMP FakeAutomationObject::Invoke(DISPID id, REFIID, LCID locale, WORD kind, DISPPARAMS* parameters,
                                            VARIANT* result, EXCEPINFO* exception, UINT*) {
    Call& call = calls_.emplace_back(Call{kind, L"", locale, {}});
    for (UINT i = parameters ? parameters->cArgs : 0; i-- > 0;) {
        call.argumentTypes.push_back(V_VT(&parameters->rgvarg[i]));
    }
    const size_t index = static_cast<size_t>(id) - 1;
    if (id < 1 || index >= members_.size()) return DISP_E_MEMBERNOTFOUND;
    call.member = members_[index].name;
    if (!parameters) return E_INVALIDARG;
    const Failure* failure = FailureFor(call.member, kind);
    return failure ? Fail(*failure, exception) : InvokeMember(members_[index], kind, *parameters, result);
}

HRESULT FakeAutomationObject::InvokeMember(Member& member, WORD kind, const DISPPARAMS& parameters, VARIANT* result) {
    if (kind & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) {
        if (parameters.cArgs != 0) return DISP_E_BADPARAMCOUNT;
        return result ? ole::CopyVariant(result, member.value.Get()) : S_OK;
    }
    if (kind != DISPATCH_PROPERTYPUT && kind != DISPATCH_PROPERTYPUTREF) return DISP_E_MEMBERNOTFOUND;
    if (member.access == Access::ReadOnly) return DISP_E_MEMBERNOTFOUND;
    if (parameters.cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (parameters.cNamedArgs != 1 || parameters.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
        return DISP_E_PARAMNOTFOUND;
    }
    if (kind == DISPATCH_PROPERTYPUTREF && !ole::HoldsObjectReference(parameters.rgvarg[0])) {
        return DISP_E_TYPEMISMATCH;
    }
    ole::Variant stored;
    RETURN_IF_FAILED(VariantCopyInd(stored.Out(), &parameters.rgvarg[0]));
    member.value = std::move(stored);
    return S_OK;
}

}  // namespace doubles
