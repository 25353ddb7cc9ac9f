#pragma once

#include "ole/com_ptr.h"
#include "ole/variant.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

namespace ole {

// Reads an ambient property from the container through the client site's IDispatch. Fails when
// there is no site or the container does not answer.
HRESULT GetAmbientProperty(IOleClientSite* site, DISPID id, Variant& value) noexcept;

// A new standard font as a control gets it when no container says otherwise: "MS Sans Serif",
// 8.25 points, weight 400.
HRESULT CreateDefaultFont(ComPtr<IFontDisp>& font) noexcept;

// The container's ambient font, or a new default font when there is no site, or the container
// does not answer, or answers something that is not a font.
HRESULT GetAmbientFont(IOleClientSite* site, ComPtr<IFontDisp>& font) noexcept;

}  // namespace ole
