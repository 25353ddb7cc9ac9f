#pragma once

#include "ole/com_ptr.h"
#include "ole/property_bag.h"

#include <windows.h>
#include <objidl.h>

namespace ole {

// A property bag kept in a stream, for containers that persist a control through
// IPersistStreamInit or IPersistStorage. The layout is ours, little-endian:
//   u32 magic, u16 version, u16 flags (0), u32 payload length, then the payload:
//   u32 entry count; per entry: u32 name length, the name (UTF-16), u16 VARTYPE, the value
//   (fixed-size numbers as stored; strings as u32 length and UTF-16 units; objects as their
//   class id, u32 length and the bytes of their own stream).
// The header says how long the payload is, so exactly our bytes are read and a container's
// data after ours is left in place.

// Writes the bag at the stream's current position; a bag of more than
// MemoryPropertyBag::kMaxEntries entries is refused (STG_E_MEDIUMFULL).
HRESULT SavePropertyBag(const MemoryPropertyBag& bag, IStream* stream) noexcept;

// Reads a bag written by SavePropertyBag. A truncated, corrupted, foreign or newer stream fails
// (STG_E_READFAULT when it ends early, STG_E_INVALIDHEADER when it is not ours or of an unknown
// version, STG_E_DOCFILECORRUPT when its content is malformed or holds more than
// MemoryPropertyBag::kMaxEntries entries) and gives no bag.
HRESULT LoadPropertyBag(IStream* stream, ComPtr<MemoryPropertyBag>& bag) noexcept;

}  // namespace ole
