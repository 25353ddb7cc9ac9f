#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string_view>
#include <utility>

namespace ole {

// Sole owner of a BSTR. A null BSTR is the empty string, as automation treats it.
class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(std::wstring_view text);
    Bstr(const Bstr& other) : Bstr(other.View()) {}
    Bstr(Bstr&& other) noexcept : value_(other.Detach()) {}
    Bstr& operator=(Bstr other) noexcept {
        std::swap(value_, other.value_);
        return *this;
    }
    ~Bstr() { Reset(); }

    // Takes ownership of a BSTR allocated by someone else.
    static Bstr Attach(BSTR value) noexcept {
        Bstr owner;
        owner.value_ = value;
        return owner;
    }

    BSTR Get() const noexcept { return value_; }
    UINT Length() const noexcept { return SysStringLen(value_); }
    std::wstring_view View() const noexcept { return {value_ ? value_ : L"", Length()}; }

    // Gives the BSTR away; the owner is empty afterwards.
    BSTR Detach() noexcept { return std::exchange(value_, nullptr); }
    void Reset() noexcept { SysFreeString(std::exchange(value_, nullptr)); }
    // For out-parameters: frees what is held and hands out the slot.
    BSTR* Out() noexcept {
        Reset();
        return &value_;
    }
    // For in-out parameters: the callee may free the string and store another in the slot.
    BSTR* InOut() noexcept { return &value_; }

private:
    BSTR value_ = nullptr;
};

inline bool operator==(const Bstr& left, std::wstring_view right) noexcept { return left.View() == right; }

}  // namespace ole
