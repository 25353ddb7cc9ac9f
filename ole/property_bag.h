#pragma once

#include "ole/com_object.h"
#include "ole/variant.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <map>
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
// changes to an object do not change what was saved. A saved object that cannot be made again
// reads as DISP_E_TYPEMISMATCH, as any value that cannot be given as the type asked.
class MemoryPropertyBag final : public ComObject<MemoryPropertyBag, IPropertyBag> {
public:
    struct Entry {
        std::wstring name;
        Variant value;             // any value but an object
        bool isObject = false;     // then the value is in objectClass/objectData
        CLSID objectClass{};       // CLSID_NULL for a null object reference
        std::vector<BYTE> objectData;
    };

    // More entries than a control ever writes: a stream that claims more is corrupt.
    static constexpr size_t kMaxEntries = 4096;

    MemoryPropertyBag() : index_(NameOrder{&nameComparisons_}) {}

    static std::span<const InterfaceEntry> InterfaceTable() noexcept;

    const std::vector<Entry>& Entries() const noexcept { return entries_; }
    // Adds an entry read from a stream; a name already present is refused (E_INVALIDARG).
    HRESULT Add(Entry entry) noexcept;
    // How many times two names were compared, finding and adding included: it grows with
    // n log n, never with n squared, however many names a hostile stream holds.
    size_t NameComparisons() const noexcept { return nameComparisons_; }

    // IPropertyBag
    IFACEMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    IFACEMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;

private:
    // Names compare without regard to case, as the bag's callers spell them as they like.
    struct NameOrder {
        using is_transparent = void;
        size_t* comparisons;
        bool operator()(const std::wstring& left, const std::wstring& right) const noexcept {
            return Less(left.c_str(), right.c_str());
        }
        bool operator()(const std::wstring& left, LPCOLESTR right) const noexcept { return Less(left.c_str(), right); }
        bool operator()(LPCOLESTR left, const std::wstring& right) const noexcept { return Less(left, right.c_str()); }
        bool Less(LPCOLESTR left, LPCOLESTR right) const noexcept {
            ++*comparisons;
            return _wcsicmp(left, right) < 0;
        }
    };

    Entry* Find(LPCOLESTR name) noexcept;
    // Appends the entry unless its name is present already; false then.
    bool Append(Entry entry);
    HRESULT MakeObject(const Entry& entry, VARTYPE wanted, VARIANT* value) const;

    size_t nameComparisons_ = 0;
    std::vector<Entry> entries_;
    // Each name's position in entries_.
    std::map<std::wstring, size_t, NameOrder> index_;
    // Only the standard font and picture are made from saved objects: a saved stream names the
    // class to create, and a hostile stream must not make us create whatever class it likes.
    static inline const CLSID kAllowedClasses[] = {CLSID_StdFont, CLSID_StdPicture};
};

}  // namespace ole
