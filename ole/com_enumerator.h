#pragma once

#include "ole/com_object.h"
#include "ole/variant.h"

#include <windows.h>

#include <memory>
#include <vector>

namespace ole {

// A COM enumerator (IEnumConnections, IEnumConnectionPoints, IEnumOLEVERB, ...) over a fixed
// list taken when it was made; clones share the list and copy the position. `Traits` gives
//     using Element = ...;   // what Next hands out
//     using Stored = ...;    // what the list keeps
//     static HRESULT CopyOut(const Stored& from, Element& to) noexcept;  // caller-owned copy
//     static void Free(Element& element) noexcept;                       // undoes CopyOut
template <typename EnumInterface, typename Traits>
class ComEnumerator final : public ComObject<ComEnumerator<EnumInterface, Traits>, EnumInterface> {
public:
    using Element = typename Traits::Element;
    using Stored = typename Traits::Stored;
    using List = std::shared_ptr<const std::vector<Stored>>;

    explicit ComEnumerator(List items, size_t position = 0) : items_(std::move(items)), position_(position) {}

    static HRESULT Create(std::vector<Stored> items, EnumInterface** result) noexcept {
        if (!result) return E_POINTER;
        *result = nullptr;
        return Guarded([&]() -> HRESULT {
            return Create(std::make_shared<const std::vector<Stored>>(std::move(items)), result);
        });
    }

    // Over a list that its owner shares and no longer changes.
    static HRESULT Create(List items, EnumInterface** result) noexcept {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (!items) return E_INVALIDARG;
        return MakeObject<ComEnumerator>(__uuidof(EnumInterface), reinterpret_cast<void**>(result), std::move(items),
                                         size_t{0});
    }

    static std::span<const InterfaceEntry> InterfaceTable() noexcept {
        static constexpr InterfaceEntry table[] = {Implements<ComEnumerator, EnumInterface>()};
        return table;
    }

    IFACEMETHODIMP Next(ULONG count, Element* elements, ULONG* fetched) override {
        if (fetched) *fetched = 0;
        if (!elements) return E_POINTER;
        if (!fetched && count != 1) return E_INVALIDARG;
        ULONG done = 0;
        while (done < count && position_ < items_->size()) {
            const HRESULT hr = Traits::CopyOut((*items_)[position_], elements[done]);
            if (FAILED(hr)) {
                while (done > 0) Traits::Free(elements[--done]);
                return hr;
            }
            ++done;
            ++position_;
        }
        if (fetched) *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }

    IFACEMETHODIMP Skip(ULONG count) override {
        const size_t left = items_->size() - position_;
        if (count > left) {
            position_ = items_->size();
            return S_FALSE;
        }
        position_ += count;
        return S_OK;
    }

    IFACEMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }

    IFACEMETHODIMP Clone(EnumInterface** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        return MakeObject<ComEnumerator>(__uuidof(EnumInterface), reinterpret_cast<void**>(result), items_,
                                         position_);
    }

private:
    List items_;
    size_t position_;
};

// Elements that are interface pointers: Next hands out an AddRef'd pointer.
template <typename Interface>
struct InterfaceEnumeration {
    using Element = Interface*;
    using Stored = ComPtr<Interface>;
    static HRESULT CopyOut(const Stored& from, Element& to) noexcept { return from.CopyTo(&to); }
    static void Free(Element& element) noexcept { ComPtr<Interface>().Attach(std::exchange(element, nullptr)); }
};

// Elements that are VARIANTs (an automation collection's IEnumVARIANT): Next hands out deep copies.
struct VariantEnumeration {
    using Element = VARIANT;
    using Stored = Variant;
    static HRESULT CopyOut(const Stored& from, Element& to) noexcept { return CopyVariant(&to, from.Get()); }
    static void Free(Element& element) noexcept { VariantClear(&element); }
};

}  // namespace ole
