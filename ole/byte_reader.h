#pragma once

#include <windows.h>

#include <cstring>
#include <string>

namespace ole {

// Reads values in order out of a block of bytes that came from outside (a saved stream), never
// past its end: a read that does not fit fails and leaves the position where it was.
class ByteReader {
public:
    ByteReader(const BYTE* data, size_t size) noexcept : at_(data), left_(size) {}

    bool Take(void* into, size_t size) noexcept {
        if (size > left_) return false;
        if (size) std::memcpy(into, at_, size);
        at_ += size;
        left_ -= size;
        return true;
    }
    template <typename T>
    bool Get(T& value) noexcept {
        return Take(&value, sizeof(T));
    }
    // A length-prefixed UTF-16 text of at most `maxLength` characters.
    bool GetText(std::wstring& text, DWORD maxLength) {
        DWORD length = 0;
        if (!Get(length) || length > maxLength || length > left_ / sizeof(wchar_t)) return false;
        text.resize(length);
        return Take(text.data(), length * sizeof(wchar_t));
    }
    size_t Left() const noexcept { return left_; }

private:
    const BYTE* at_;
    size_t left_;
};

}  // namespace ole
