#include "ole/property_stream.h"

#include "ole/byte_reader.h"
#include "ole/hresult.h"

#include <cstring>
#include <string>
#include <vector>

namespace ole {

namespace {

constexpr DWORD kMagic = 0x47425049;  // "IPBG"
constexpr WORD kVersion = 1;
constexpr size_t kHeaderSize = 12;
// Far above what a control stores; a larger length is taken for corruption, never allocated.
constexpr DWORD kMaxPayload = 16 * 1024 * 1024;
constexpr DWORD kMaxNameLength = 1024;

// Size of the fixed-size value types; 0 for the others.
size_t FixedSize(VARTYPE type) noexcept {
    switch (type) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
        return 8;
    default:
        return 0;
    }
}

class Writer {
public:
    template <typename T>
    void Put(const T& value) {
        const auto* bytes = reinterpret_cast<const BYTE*>(&value);
        data_.insert(data_.end(), bytes, bytes + sizeof(T));
    }
    void PutBytes(const void* bytes, size_t size) {
        const auto* begin = static_cast<const BYTE*>(bytes);
        data_.insert(data_.end(), begin, begin + size);
    }
    void PutText(const wchar_t* text, size_t length) {
        Put(static_cast<DWORD>(length));
        PutBytes(text, length * sizeof(wchar_t));
    }
    std::vector<BYTE>& Data() { return data_; }

private:
    std::vector<BYTE> data_;
};

HRESULT WriteEntry(Writer& out, const MemoryPropertyBag::Entry& entry) {
    out.PutText(entry.name.c_str(), entry.name.size());
    if (entry.isObject) {
        out.Put(static_cast<WORD>(VT_UNKNOWN));
        out.PutBytes(&entry.objectClass, sizeof(CLSID));
        out.Put(static_cast<DWORD>(entry.objectData.size()));
        out.PutBytes(entry.objectData.data(), entry.objectData.size());
        return S_OK;
    }
    const VARIANT& value = entry.value.Get();
    const VARTYPE type = V_VT(&value);
    if (type == VT_EMPTY || type == VT_NULL) {
        out.Put(static_cast<WORD>(type));
    } else if (type == VT_BSTR) {
        out.Put(static_cast<WORD>(type));
        out.PutText(V_BSTR(&value) ? V_BSTR(&value) : L"", SysStringLen(V_BSTR(&value)));
    } else if (const size_t size = FixedSize(type)) {
        out.Put(static_cast<WORD>(type));
        // The fixed-size members all start at the union's start.
        out.PutBytes(&V_UI1(&value), size);
    } else {
        return DISP_E_BADVARTYPE;
    }
    return S_OK;
}

bool ReadEntry(ByteReader& in, MemoryPropertyBag::Entry& entry) {
    WORD type = 0;
    if (!in.GetText(entry.name, kMaxNameLength) || !in.Get(type)) return false;
    if (type == VT_UNKNOWN) {
        entry.isObject = true;
        DWORD size = 0;
        if (!in.Get(entry.objectClass) || !in.Get(size) || size > in.Left()) return false;
        if (entry.objectClass == CLSID_NULL && size != 0) return false;
        entry.objectData.resize(size);
        return in.Take(entry.objectData.data(), size);
    }
    VARIANT* value = entry.value.Out();
    if (type == VT_EMPTY || type == VT_NULL) {
        V_VT(value) = type;
        return true;
    }
    if (type == VT_BSTR) {
        std::wstring text;
        if (!in.GetText(text, kMaxPayload)) return false;
        BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!copy) throw std::bad_alloc();
        V_VT(value) = VT_BSTR;
        V_BSTR(value) = copy;
        return true;
    }
    const size_t size = FixedSize(type);
    if (size == 0 || !in.Take(&V_UI1(value), size)) return false;
    V_VT(value) = type;
    return true;
}

HRESULT ReadExactly(IStream* stream, void* into, ULONG size) {
    auto* at = static_cast<BYTE*>(into);
    while (size > 0) {
        ULONG read = 0;
        const HRESULT hr = stream->Read(at, size, &read);
        if (FAILED(hr)) return hr;
        if (read == 0 || read > size) return STG_E_READFAULT;
        at += read;
        size -= read;
    }
    return S_OK;
}

}  // namespace

HRESULT SavePropertyBag(const MemoryPropertyBag& bag, IStream* stream) noexcept {
    if (!stream) return E_POINTER;
    // What could not be loaded again is not saved.
    if (bag.Entries().size() > MemoryPropertyBag::kMaxEntries) return STG_E_MEDIUMFULL;
    return Guarded([&]() -> HRESULT {
        Writer payload;
        payload.Put(static_cast<DWORD>(bag.Entries().size()));
        for (const MemoryPropertyBag::Entry& entry : bag.Entries()) RETURN_IF_FAILED(WriteEntry(payload, entry));
        if (payload.Data().size() > kMaxPayload) return STG_E_MEDIUMFULL;
        Writer whole;
        whole.Put(kMagic);
        whole.Put(kVersion);
        whole.Put(WORD{0});
        whole.Put(static_cast<DWORD>(payload.Data().size()));
        whole.PutBytes(payload.Data().data(), payload.Data().size());
        ULONG written = 0;
        RETURN_IF_FAILED(stream->Write(whole.Data().data(), static_cast<ULONG>(whole.Data().size()), &written));
        return written == whole.Data().size() ? S_OK : STG_E_WRITEFAULT;
    });
}

HRESULT LoadPropertyBag(IStream* stream, ComPtr<MemoryPropertyBag>& bag) noexcept {
    bag.Reset();
    if (!stream) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        BYTE header[kHeaderSize];
        RETURN_IF_FAILED(ReadExactly(stream, header, sizeof(header)));
        ByteReader head(header, sizeof(header));
        DWORD magic = 0, length = 0;
        WORD version = 0, flags = 0;
        head.Get(magic);
        head.Get(version);
        head.Get(flags);
        head.Get(length);
        if (magic != kMagic || version != kVersion || flags != 0) return STG_E_INVALIDHEADER;
        if (length > kMaxPayload) return STG_E_DOCFILECORRUPT;
        std::vector<BYTE> payload(length);
        RETURN_IF_FAILED(ReadExactly(stream, payload.data(), length));

        ByteReader in(payload.data(), payload.size());
        DWORD count = 0;
        // Each entry takes at least its name length and its type.
        if (!in.Get(count) || count > in.Left() / 6 || count > MemoryPropertyBag::kMaxEntries) {
            return STG_E_DOCFILECORRUPT;
        }
        ComPtr<MemoryPropertyBag> made;
        RETURN_IF_FAILED(MakeObject(made));
        for (DWORD i = 0; i < count; ++i) {
            MemoryPropertyBag::Entry entry;
            if (!ReadEntry(in, entry)) return STG_E_DOCFILECORRUPT;
            if (FAILED(made->Add(std::move(entry)))) return STG_E_DOCFILECORRUPT;
        }
        if (in.Left() != 0) return STG_E_DOCFILECORRUPT;
        bag = std::move(made);
        return S_OK;
    });
}

}  // namespace ole
