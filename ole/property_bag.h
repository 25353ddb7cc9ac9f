#pragma once

#include "ole/com_object.h"
#include "ole/variant.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

namespace ole {

// Reads `name` from a container's bag as a value of `type` (VT_EMPTY: as stored), or gives a
// copy of `fallback` when the bag does not hold the name. Text bags hand every value back as a
// string; it is converted to `type` here, and a value that does not convert fails with the
// conversion's error (DISP_E_TYPEMISMATCH, ...). The bag is only borrowed.
HRESULT ReadBagValue(IPropertyBag* bag, const wchar_t* name, VARTYPE type, const VARIANT& fallback,
                     Variant& result) noexcept;

// Writes `name` = `value` into a container's bag.
HRESULT WriteBagValue(IPropertyBag* bag, const wchar_t* name, const VARIANT& value) noexcept;

// A property bag in memory: what a control's save and load handlers write to and read from when
// the container persists the control through a stream or a storage. Objects are kept as their
// class id and the bytes of their own IPersistStream, so the bag keeps no object alive and later
// changes to an object do not change what was saved.
class MemoryPropertyBag final : public ComObject<MemoryPropertyBag, IPropertyBag> {
public:
    struct Entry {
        std::wstring name;
        Variant value;             // any value but an object
        bool isObject = false;     // then the value is in objectClass/objectData
        CLSID objectClass{};       // CLSID_NULL for a null object reference
        std::vector<BYTE> objectData;
    };

    MemoryPropertyBag() = default;

    static std::span<const InterfaceEntry> InterfaceTable() noexcept;

    const std::vector<Entry>& Entries() const noexcept { return entries_; }
    // Adds an entry read from a stream; a name already present is refused (E_INVALIDARG).
    HRESULT Add(Entry entry) noexcept;

    // IPropertyBag
    IFACEMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    IFACEMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;

private:
    Entry* Find(LPCOLESTR name) noexcept;
    HRESULT MakeObject(const Entry& entry, VARTYPE wanted, VARIANT* value) const;

    std::vector<Entry> entries_;
    // Only the standard font and picture are made from saved objects: a saved stream names the
    // class to create, and a hostile stream must not make us create whatever class it likes.
    static inline const CLSID kAllowedClasses[] = {CLSID_StdFont, CLSID_StdPicture};
};

}  // namespace ole
