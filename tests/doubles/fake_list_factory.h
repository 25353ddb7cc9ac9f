#pragma once

#include "ole/com_ptr.h"
#include "tests/doubles/fake_list.h"
#include "tests/doubles/test_double.h"

#include <windows.h>
#include <unknwn.h>

#include <vector>

namespace doubles {

// The class object of the list double, registered for the list's class id while it lives, so
// that whatever the code under test creates by that class id is a FakeList it can inspect.
class FakeListFactory final : public Double<FakeListFactory, IClassFactory> {
public:
    static ole::ComPtr<FakeListFactory> Register(REFCLSID classId);

    // Withdraws the class.
    void Revoke();
    // Makes creation fail as it does when the list control is not installed (or cannot load),
    // whatever the registry of the machine holds.
    void FailCreation(HRESULT failure) { creationFailure_ = failure; }
    // What each new list generates in PopulateFromObject.
    void SetCatalogue(std::vector<CatalogueEntry> catalogue) { catalogue_ = std::move(catalogue); }
    // The last list made (the lists made are kept alive until the factory goes).
    FakeList* Last() const { return made_.empty() ? nullptr : made_.back().Get(); }
    // Lets go of the lists made, so that their own lifetime can be watched.
    void ForgetMade() { made_.clear(); }

    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        static constexpr ole::InterfaceEntry table[] = {ole::Implements<FakeListFactory, IClassFactory>()};
        return table;
    }

    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
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
