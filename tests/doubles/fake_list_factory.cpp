#include "tests/doubles/fake_list_factory.h"

#include <utility>

namespace doubles {

ole::ComPtr<FakeListFactory> FakeListFactory::Register(REFCLSID classId) {
    ole::ComPtr<FakeListFactory> factory = Make();
    if (FAILED(CoRegisterClassObject(classId, static_cast<IClassFactory*>(factory.Get()), CLSCTX_INPROC_SERVER,
                                     REGCLS_MULTIPLEUSE, &factory->cookie_))) {
        factory->cookie_ = 0;
    }
    return factory;
}

void FakeListFactory::Revoke() {
    if (cookie_) CoRevokeClassObject(std::exchange(cookie_, 0));
}

IFACEMETHODIMP FakeListFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (FAILED(creationFailure_)) return creationFailure_;
    ole::ComPtr<FakeList> list = FakeList::Create();
    list->SetCatalogue(catalogue_);
    const HRESULT hr = list.AsIID(iid, object);
    if (SUCCEEDED(hr)) made_.push_back(std::move(list));
    return hr;
}

}  // namespace doubles
