#include "ole/bstr.h"

#include <new>

namespace ole {

Bstr::Bstr(std::wstring_view text) {
    value_ = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!value_) throw std::bad_alloc();
}

}  // namespace ole
