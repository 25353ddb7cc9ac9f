#pragma once

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <string_view>

namespace ole {

// True when the value is an object reference, a null one included (through a by-reference
// variant too): such values are assigned to properties by reference.
bool HoldsObjectReference(const VARIANT& value) noexcept;
// The object an object reference refers to (by value or by reference, null for Nothing), or
// null when the VARIANT holds no object reference.
IUnknown* ReferencedObject(const VARIANT& value) noexcept;

// Whether copying can follow the value: S_OK for a type a VARIANT may hold that, by reference,
// refers to something; DISP_E_BADVARTYPE for any other type, E_INVALIDARG for a reference to
// nothing. A value from another's code may be anything, and the platform's copies trust it.
HRESULT CheckVariant(const VARIANT& value) noexcept;

// Sole owner of a VARIANT: whatever it holds (a string, an interface, an array) is freed with it.
class Variant {
public:
    Variant() noexcept = default;
    explicit Variant(bool value) noexcept;
    explicit Variant(VARIANT_BOOL value) noexcept;
    explicit Variant(LONG value) noexcept;
    explicit Variant(std::wstring_view text);
    // Holds a counted reference of its own (AddRef); a null pointer gives a null object reference.
    explicit Variant(IDispatch* object) noexcept;
    explicit Variant(IUnknown* object) noexcept;
    Variant(const Variant&) = delete;
    Variant(Variant&& other) noexcept;
    Variant& operator=(Variant&& other) noexcept;
    ~Variant() { Reset(); }

    // Replaces the content by a deep copy of `source` (strings duplicated, interfaces AddRef'd);
    // on failure the owner is left empty.
    HRESULT CopyFrom(const VARIANT& source) noexcept;
    // Takes ownership of a VARIANT's content; the source is left VT_EMPTY.
    static Variant Attach(VARIANT& source) noexcept;

    const VARIANT& Get() const noexcept { return value_; }
    VARTYPE Type() const noexcept { return V_VT(&value_); }
    bool IsEmpty() const noexcept { return V_VT(&value_) == VT_EMPTY; }

    // Frees what is held and hands out the slot, for out-parameters.
    VARIANT* Out() noexcept;
    // Moves the content into a caller's slot (which must be empty or uninitialised).
    void Detach(VARIANT* destination) noexcept;
    void Reset() noexcept;

    bool HoldsObjectReference() const noexcept;

private:
    // Empty (VT_EMPTY is 0), as VariantInit leaves it, without a call per Variant made.
    VARIANT value_{};
};

// The platform's conversions take their source by non-const pointer though they only read it;
// these take it as it is held. `converted` is empty after a failure.
HRESULT ChangeType(Variant& converted, const VARIANT& source, VARTYPE type, LCID locale = 0,
                   USHORT flags = 0) noexcept;
// A deep copy into a caller's slot (an out-parameter), which is initialised first.
HRESULT CopyVariant(VARIANT* destination, const VARIANT& source) noexcept;
// Whether the value equals Boolean True as automation compares variants: Empty, Null, False and
// anything else unequal to True do not.
bool EqualsTrue(const VARIANT& value, LCID locale) noexcept;
// The value as text, or nothing when it does not convert to a string.
std::optional<std::wstring> TextOf(const VARIANT& value, LCID locale = 0, USHORT flags = 0);

inline bool Variant::HoldsObjectReference() const noexcept { return ole::HoldsObjectReference(value_); }

}  // namespace ole
