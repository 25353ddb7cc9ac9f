// How the control answers its container between creation and destruction: its first font, its
// six persisted options, its layout and its showing.
#include "control/control_object.h"

#include "ole/arguments.h"
#include "ole/error_suppression.h"
#include "ole/late_bound.h"
#include "ole/property_bag.h"
#include "ole/runtime_errors.h"
#include "ole/variant.h"

using ole::ComPtr;
using ole::Variant;

namespace {

// The value stored under `key`, or `fallback` when the bag has none (or an empty one). A stored
// value that the bag cannot give is a type mismatch; any other failing read fails the load.
HRESULT ReadOrDefault(IPropertyBag* bag, const wchar_t* key, const VARIANT& fallback, Variant& value) {
    const HRESULT hr = ole::ReadBagValue(bag, key, VT_EMPTY, fallback, value);
    if (hr == DISP_E_TYPEMISMATCH) return ole::RaiseTypeMismatch();
    RETURN_IF_FAILED(hr);
    return value.IsEmpty() ? value.CopyFrom(fallback) : S_OK;
}

HRESULT ReadBoolean(IPropertyBag* bag, const wchar_t* key, VARIANT_BOOL& result) {
    Variant stored;
    RETURN_IF_FAILED(ReadOrDefault(bag, key, Variant(true).Get(), stored));
    Variant converted;
    if (FAILED(ole::ChangeType(converted, stored.Get(), VT_BOOL))) {
        return ole::RaiseTypeMismatch();
    }
    result = V_BOOL(&converted.Get());
    return S_OK;
}

HRESULT WriteBoolean(IPropertyBag* bag, const wchar_t* key, VARIANT_BOOL value) {
    return ole::WriteBagValue(bag, key, Variant(value).Get());
}

}  // namespace

// A new control takes the container's font.
HRESULT Inspecta::InitProperties() {
    ComPtr<IFontDisp> ambient;
    RETURN_IF_FAILED(AmbientFont(ambient));
    return putref_Font(ambient.Get());
}

HRESULT Inspecta::ReadProperties(IPropertyBag* bag) {
    if (!bag) return E_POINTER;
    VARIANT_BOOL value = VARIANT_TRUE;
    RETURN_IF_FAILED(ReadBoolean(bag, L"AutoWriteProperties", value));
    RETURN_IF_FAILED(put_AutoWriteProperties(value));
    RETURN_IF_FAILED(ReadBoolean(bag, L"AutoPopulate", value));
    RETURN_IF_FAILED(put_AutoPopulate(value));
    RETURN_IF_FAILED(ReadBoolean(bag, L"Enabled", value));
    RETURN_IF_FAILED(put_Enabled(value));

    ComPtr<IFontDisp> ambient;
    RETURN_IF_FAILED(AmbientFont(ambient));
    Variant font;
    RETURN_IF_FAILED(ReadOrDefault(bag, L"Font", Variant(static_cast<IDispatch*>(ambient.Get())).Get(), font));
    if (font.Type() != VT_DISPATCH && font.Type() != VT_UNKNOWN) return ole::RaiseTypeMismatch();
    IUnknown* stored = V_UNKNOWN(&font.Get());
    ComPtr<IFontDisp> loaded;
    if (stored && FAILED(stored->QueryInterface(IID_IFontDisp, loaded.PutVoid()))) return ole::RaiseTypeMismatch();
    RETURN_IF_FAILED(putref_Font(loaded.Get()));

    RETURN_IF_FAILED(ReadBoolean(bag, L"HideReadOnlyItems", value));
    RETURN_IF_FAILED(put_HideReadOnlyItems(value));
    RETURN_IF_FAILED(ReadBoolean(bag, L"HideCustomItems", value));
    return put_HideCustomItems(value);
}

HRESULT Inspecta::WriteProperties(IPropertyBag* bag) {
    if (!bag) return E_POINTER;
    RETURN_IF_FAILED(WriteBoolean(bag, L"AutoWriteProperties", auxSupport->AutoWriteProperties()));
    RETURN_IF_FAILED(WriteBoolean(bag, L"AutoPopulate", auxSupport->AutoPopulate()));
    RETURN_IF_FAILED(WriteBoolean(bag, L"Enabled", SurfaceEnabled() ? VARIANT_TRUE : VARIANT_FALSE));
    // A control that never had a font saves none, rather than a nothing that would fail to load.
    if (pFont) {
        RETURN_IF_FAILED(ole::WriteBagValue(bag, L"Font", Variant(static_cast<IDispatch*>(pFont.Get())).Get()));
    }
    RETURN_IF_FAILED(WriteBoolean(bag, L"HideReadOnlyItems", auxSupport->HideReadOnlyItems()));
    return WriteBoolean(bag, L"HideCustomItems", auxSupport->HideCustomItems());
}

// The list always covers the whole control; when it cannot be moved it keeps its last layout.
void Inspecta::Resize() {
    ole::ErrorSuppressionRegion suppress;
    suppress.Attempt([&] {
        const SIZE size = ClientSize();
        const VARIANT arguments[] = {ole::FloatArgument(0.0f), ole::ShortArgument(0),
                                     ole::FloatArgument(static_cast<float>(size.cx)),
                                     ole::FloatArgument(static_cast<float>(size.cy))};
        return ole::CallMethod(prpWrapper.Get(), L"Move", arguments, nullptr);
    });
}

// Each showing reads the client's values afresh, dropping edits not yet written.
void Inspecta::Show() {
    if (!auxSupport) return;
    // The container asked nothing: a value that cannot be read leaves no error behind.
    ole::ErrorSuppressionRegion suppress;
    suppress.Attempt([&] { return auxSupport->ReadProperties(); });
}
