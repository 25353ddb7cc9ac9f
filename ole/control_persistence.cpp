#include "ole/control.h"

#include "ole/hresult.h"
#include "ole/property_bag.h"
#include "ole/property_stream.h"

namespace ole {

namespace {

// The stream that holds a control's properties inside a container's storage.
constexpr wchar_t kContentsStream[] = L"Contents";

}  // namespace

HRESULT ControlBase::EnsureInitialized() noexcept {
    // A host that uses the control without InitNew or Load (a script client, a container that
    // activates or saves at once) gets a new control's properties first.
    return persistence_ == Persistence::None ? InitNew() : S_OK;
}

HRESULT ControlBase::BeginLoad() const noexcept {
    return persistence_ == Persistence::None ? S_OK : E_UNEXPECTED;
}

HRESULT ControlBase::LoadFromBag(IPropertyBag* bag) noexcept {
    const ComPtr<IUnknown> self(Identity());
    return Guarded([&]() -> HRESULT {
        RETURN_IF_FAILED(ReadProperties(bag));
        persistence_ = Persistence::Loaded;
        dirty_ = false;
        return S_OK;
    });
}

HRESULT ControlBase::SaveToStream(IStream* stream, bool clearDirty) noexcept {
    RETURN_IF_FAILED(EnsureInitialized());
    ComPtr<MemoryPropertyBag> bag;
    RETURN_IF_FAILED(MakeObject(bag));
    RETURN_IF_FAILED(Guarded([&] { return WriteProperties(bag.Get()); }));
    RETURN_IF_FAILED(SavePropertyBag(*bag.Get(), stream));
    if (clearDirty) dirty_ = false;
    return S_OK;
}

HRESULT ControlBase::GetClassID(CLSID* classId) {
    if (!classId) return E_POINTER;
    *classId = classId_;
    return S_OK;
}

HRESULT ControlBase::IsDirty() { return dirty_ ? S_OK : S_FALSE; }

HRESULT ControlBase::InitNew() {
    RETURN_IF_FAILED(BeginLoad());
    const ComPtr<IUnknown> self(Identity());
    return Guarded([&]() -> HRESULT {
        // Set first: InitProperties may itself use what asks for an initialised control.
        persistence_ = Persistence::New;
        const HRESULT hr = InitProperties();
        if (FAILED(hr)) persistence_ = Persistence::None;
        return hr;
    });
}

HRESULT ControlBase::Load(IStream* stream) {
    if (!stream) return E_POINTER;
    RETURN_IF_FAILED(BeginLoad());
    ComPtr<MemoryPropertyBag> bag;
    RETURN_IF_FAILED(LoadPropertyBag(stream, bag));
    return LoadFromBag(bag.Get());
}

HRESULT ControlBase::Save(IStream* stream, BOOL clearDirty) {
    if (!stream) return E_POINTER;
    return SaveToStream(stream, clearDirty);
}

HRESULT ControlBase::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    size->QuadPart = 0;
    ComPtr<IStream> measure;
    RETURN_IF_FAILED(CreateStreamOnHGlobal(nullptr, TRUE, measure.Put()));
    const bool wasDirty = dirty_;
    RETURN_IF_FAILED(SaveToStream(measure.Get(), false));
    dirty_ = wasDirty;
    STATSTG status{};
    RETURN_IF_FAILED(measure->Stat(&status, STATFLAG_NONAME));
    *size = status.cbSize;
    return S_OK;
}

HRESULT ControlBase::Load(IPropertyBag* bag, IErrorLog*) {
    if (!bag) return E_POINTER;
    RETURN_IF_FAILED(BeginLoad());
    // The bag is the container's: it is read here and never kept.
    return LoadFromBag(bag);
}

HRESULT ControlBase::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
    if (!bag) return E_POINTER;
    RETURN_IF_FAILED(EnsureInitialized());
    const ComPtr<IUnknown> self(Identity());
    RETURN_IF_FAILED(Guarded([&] { return WriteProperties(bag); }));
    if (clearDirty) dirty_ = false;
    return S_OK;
}

HRESULT ControlBase::InitNew(IStorage* storage) {
    if (!storage) return E_POINTER;
    return InitNew();
}

HRESULT ControlBase::Load(IStorage* storage) {
    if (!storage) return E_POINTER;
    RETURN_IF_FAILED(BeginLoad());
    ComPtr<IStream> stream;
    RETURN_IF_FAILED(storage->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.Put()));
    ComPtr<MemoryPropertyBag> bag;
    RETURN_IF_FAILED(LoadPropertyBag(stream.Get(), bag));
    return LoadFromBag(bag.Get());
}

HRESULT ControlBase::Save(IStorage* storage, BOOL) {
    if (!storage) return E_POINTER;
    ComPtr<IStream> stream;
    RETURN_IF_FAILED(storage->CreateStream(kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                           stream.Put()));
    // The container clears the dirty state through SaveCompleted's contract; saving into a
    // storage leaves it to the caller as IPersistStorage does.
    return SaveToStream(stream.Get(), true);
}

HRESULT ControlBase::SaveCompleted(IStorage*) { return S_OK; }
HRESULT ControlBase::HandsOffStorage() { return S_OK; }

}  // namespace ole
