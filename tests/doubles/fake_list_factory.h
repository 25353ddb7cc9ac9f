#pragma once

#include "tests/doubles/fake_list.h"

namespace doubles {

// The class object of the list double, registered for the list's class id while it lives, so
// that whatever the code under test creates by that class id is a FakeList it can inspect.
class FakeListFactory final : public Double<FakeListFactory, IClassFactory> {
public:
    static ole::ComPtr<FakeListFactory> Register(REFCLSID classId) {
        ole::ComPtr<FakeListFactory> factory = Make();
        EXPECT_EQ(CoRegisterClassObject(classId, static_cast<IClassFactory*>(factory.Get()), CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &factory->cookie_), S_OK);
        return factory;
    }
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        static constexpr ole::InterfaceEntry table[] = {ole::Implements<FakeListFactory, IClassFactory>()};
        return table;
    }

    void Revoke() {
        if (cookie_) CoRevokeClassObject(std::exchange(cookie_, 0));
    }
    // Makes creation fail as it does when the list control is not installed (or cannot load),
    // whatever the registry of the machine holds.
    void FailCreation(HRESULT failure) { creationFailure_ = failure; }
    void SetCatalogue(std::vector<CatalogueEntry> catalogue) { catalogue_ = std::move(catalogue); }
    // The lists made are kept alive until the factory goes or forgets them.
    FakeList* Last() const { return made_.empty() ? nullptr : made_.back().Get(); }
    void ForgetMade() { made_.clear(); }

    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        if (FAILED(creationFailure_)) return creationFailure_;
        ole::ComPtr<FakeList> list = FakeList::Create();
        list->SetCatalogue(catalogue_);
        RETURN_IF_FAILED(list.AsIID(iid, object));
        made_.push_back(std::move(list));
        return S_OK;
    }
    IFACEMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    friend Double;
    FakeListFactory() : Double("list factory") {}

    DWORD cookie_ = 0;
    HRESULT creationFailure_ = S_OK;
    std::vector<CatalogueEntry> catalogue_;
    std::vector<ole::ComPtr<FakeList>> made_;
};

}  // namespace doubles
