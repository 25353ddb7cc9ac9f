#include "ole/property_bag.h"

#include "ole/hresult.h"
#include "ole/late_bound.h"

#include <olectl.h>

#include <algorithm>

namespace ole {

namespace {

bool IsObjectType(VARTYPE type) noexcept { return type == VT_UNKNOWN || type == VT_DISPATCH; }

HRESULT SaveObject(IUnknown* object, CLSID& classId, std::vector<BYTE>& data) {
    ComPtr<IPersistStream> persist;
    ComPtr<IPersistStreamInit> persistInit;
    IPersist* persistence = nullptr;
    if (SUCCEEDED(object->QueryInterface(IID_IPersistStream, persist.PutVoid()))) {
        persistence = persist.Get();
    } else {
        RETURN_IF_FAILED(object->QueryInterface(IID_IPersistStreamInit, persistInit.PutVoid()));
        persistence = persistInit.Get();
    }
    RETURN_IF_FAILED(persistence->GetClassID(&classId));
    ComPtr<IStream> stream;
    RETURN_IF_FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()));
    RETURN_IF_FAILED(persist ? persist->Save(stream.Get(), FALSE) : persistInit->Save(stream.Get(), FALSE));
    STATSTG status{};
    RETURN_IF_FAILED(stream->Stat(&status, STATFLAG_NONAME));
    if (status.cbSize.QuadPart > 0x1000000) return E_OUTOFMEMORY;
    data.resize(static_cast<size_t>(status.cbSize.QuadPart));
    RETURN_IF_FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr));
    ULONG read = 0;
    if (!data.empty()) RETURN_IF_FAILED(stream->Read(data.data(), static_cast<ULONG>(data.size()), &read));
    return read == data.size() ? S_OK : STG_E_READFAULT;
}

}  // namespace

HRESULT ReadBagValue(IPropertyBag* bag, const wchar_t* name, VARTYPE type, const VARIANT& fallback,
                     Variant& result) noexcept {
    result.Reset();
    if (!bag || !name) return E_POINTER;
    // The type is the bag's hint; the zeroed payload is safe to clear whatever the bag does.
    VARIANT raw{};
    V_VT(&raw) = type;
    const HRESULT hr = bag->Read(name, &raw, nullptr);
    Variant read = Variant::Attach(raw);
    if (hr == E_INVALIDARG) return result.CopyFrom(fallback);  // the bag does not hold the name
    if (FAILED(hr)) return hr;
    if (type == VT_EMPTY || read.Type() == type) {
        result = std::move(read);
        return S_OK;
    }
    if (IsObjectType(type) && !IsObjectType(read.Type())) return DISP_E_TYPEMISMATCH;
    Variant converted;
    RETURN_IF_FAILED(ChangeType(converted, read.Get(), type, kLateBoundLocale));
    result = std::move(converted);
    return S_OK;
}

HRESULT WriteBagValue(IPropertyBag* bag, const wchar_t* name, const VARIANT& value) noexcept {
    if (!bag || !name) return E_POINTER;
    return bag->Write(name, const_cast<VARIANT*>(&value));
}

std::span<const InterfaceEntry> MemoryPropertyBag::InterfaceTable() noexcept {
    static constexpr InterfaceEntry table[] = {Implements<MemoryPropertyBag, IPropertyBag>()};
    return table;
}


MemoryPropertyBag::Entry* MemoryPropertyBag::Find(LPCOLESTR name) noexcept {
    const auto found = index_.find(name);
    return found == index_.end() ? nullptr : &entries_[found->second];
}

bool MemoryPropertyBag::Append(Entry entry) {
    const auto [position, added] = index_.try_emplace(entry.name, entries_.size());
    if (!added) return false;
    try {
        entries_.push_back(std::move(entry));
    } catch (...) {
        index_.erase(position);
        throw;
    }
    return true;
}

HRESULT MemoryPropertyBag::Add(Entry entry) noexcept {
    return Guarded([&] { return Append(std::move(entry)) ? S_OK : E_INVALIDARG; });
}

HRESULT MemoryPropertyBag::MakeObject(const Entry& entry, VARTYPE wanted, VARIANT* value) const {
    const VARTYPE type = wanted == VT_UNKNOWN ? VT_UNKNOWN : VT_DISPATCH;
    if (entry.objectClass == CLSID_NULL) {
        V_VT(value) = type;
        V_UNKNOWN(value) = nullptr;
        return S_OK;
    }
    if (std::find(std::begin(kAllowedClasses), std::end(kAllowedClasses), entry.objectClass) == std::end(kAllowedClasses)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    ComPtr<IUnknown> object;
    RETURN_IF_FAILED(CoCreateInstance(entry.objectClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                      object.PutVoid()));
    ComPtr<IStream> stream;
    RETURN_IF_FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()));
    if (!entry.objectData.empty()) {
        RETURN_IF_FAILED(stream->Write(entry.objectData.data(), static_cast<ULONG>(entry.objectData.size()), nullptr));
        RETURN_IF_FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr));
    }
    ComPtr<IPersistStream> persist;
    ComPtr<IPersistStreamInit> persistInit;
    if (SUCCEEDED(object.As(&persist))) {
        RETURN_IF_FAILED(persist->Load(stream.Get()));
    } else {
        RETURN_IF_FAILED(object.As(&persistInit));
        RETURN_IF_FAILED(persistInit->Load(stream.Get()));
    }
    V_VT(value) = type;
    return object.AsIID(type == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, reinterpret_cast<void**>(&V_UNKNOWN(value)));
}

HRESULT MemoryPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        const Entry* entry = Find(name);
        if (!entry) return E_INVALIDARG;
        const VARTYPE wanted = V_VT(value);
        VariantInit(value);
        if (entry->isObject) {
            // A saved object that cannot be made again (a class we do not create, state that
            // does not load) is a value that is not of the type asked for.
            const HRESULT made = MakeObject(*entry, wanted, value);
            return FAILED(made) && made != E_OUTOFMEMORY ? DISP_E_TYPEMISMATCH : made;
        }
        if (wanted == VT_EMPTY || wanted == entry->value.Type()) {
            return CopyVariant(value, entry->value.Get());
        }
        Variant converted;
        RETURN_IF_FAILED(ChangeType(converted, entry->value.Get(), wanted, kLateBoundLocale));
        converted.Detach(value);
        return S_OK;
    });
}

HRESULT MemoryPropertyBag::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        Entry written;
        written.name = name;
        // Every by-reference form is resolved first; an object is kept as its saved state.
        Variant plain;
        RETURN_IF_FAILED(VariantCopyInd(plain.Out(), value));
        if (IsObjectType(plain.Type())) {
            written.isObject = true;
            IUnknown* object = V_UNKNOWN(&plain.Get());
            if (object) RETURN_IF_FAILED(SaveObject(object, written.objectClass, written.objectData));
        } else {
            written.value = std::move(plain);
        }
        if (Entry* existing = Find(name)) {
            *existing = std::move(written);
        } else {
            Append(std::move(written));
        }
        return S_OK;
    });
}

}  // namespace ole
