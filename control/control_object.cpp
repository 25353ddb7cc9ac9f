#include "control/control_object.h"

#include "about/frm_about.h"
#include "control/raise_error.h"
#include "innerlist/kavella_events.h"
#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/enumeration.h"
#include "ole/error_info.h"
#include "ole/error_suppression.h"
#include "ole/late_bound.h"
#include "ole/runtime_errors.h"
#include "ole/variant.h"

#include "binding/item_values.h"
#include "binding/list_items.h"

#include <array>

using ole::ComPtr;
using ole::Variant;

namespace {

// The list's members Inspecta calls by identity.
constexpr DISPID kListFontId = 0x68030000;
constexpr DISPID kListEnabledId = 0x6803000A;

constexpr SHORT kF5 = 116;

HRESULT Store(VARIANT_BOOL value, VARIANT_BOOL* result) noexcept {
    if (!result) return E_POINTER;
    *result = value;
    return S_OK;
}

// The key code of the list's key event: its first argument, a 16-bit number by reference.
bool IsRefreshKey(const DISPPARAMS& parameters) noexcept {
    if (parameters.cArgs != 2) return false;
    Variant keyCode;
    if (FAILED(VariantCopyInd(keyCode.Out(), &parameters.rgvarg[1]))) return false;
    Variant number;
    if (FAILED(ole::ChangeType(number, keyCode.Get(), VT_I4))) return false;
    return V_I4(&number.Get()) == kF5;
}

}  // namespace

std::span<const ole::InterfaceEntry> Inspecta::InterfaceTable() noexcept {
    static constexpr auto table = ole::JoinInterfaceTables(
        std::array<ole::InterfaceEntry, 5>{
            ole::Implements<Inspecta, _Inspecta>(),
            ole::Implements<Inspecta, IDispatch, _Inspecta>(),
            ole::Implements<Inspecta, IProvideClassInfo, IProvideClassInfo2>(),
            ole::Implements<Inspecta, IProvideClassInfo2>(),
            ole::Implements<Inspecta, ISupportErrorInfo>(),
        },
        ole::ControlInterfaces<Inspecta>());
    return table;
}

Inspecta::Inspecta() noexcept = default;

Inspecta::~Inspecta() { EndControl(); }

HRESULT Inspecta::FinalConstruct() noexcept {
    const HRESULT placed = AddChildControl(CLSID_Kavella, prpWrapper);
    if (FAILED(placed)) {
        ole::Guarded([&] {
            ole::PublishErrorInfo(ErrorSource().c_str(),
                                  L"The property list control KavellaCtl.Kavella (Kavella2.ocx) is missing: it is "
                                  L"not registered or cannot be created.");
            return S_OK;
        });
        return placed;
    }
    return StartControl();
}

// Creation: the support object drives the list that the container placed on the control.
HRESULT Inspecta::Initialize() {
    Variant child;
    RETURN_IF_FAILED(ole::GetProperty(prpWrapper.Get(), L"Object", child));
    if (V_VT(&child.Get()) != VT_DISPATCH || !V_DISPATCH(&child.Get())) return ole::RaiseTypeMismatch();
    list_ = V_DISPATCH(&child.Get());
    RETURN_IF_FAILED(listEvents_.Connect(list_.Get(), DIID___Kavella, *this));
    RETURN_IF_FAILED(ole::MakeObject(auxSupport));
    auxSupport->SetEventSink(&supportEvents_);
    return auxSupport->SetKavella(list_.Get());
}

// Teardown: the client goes first, then the list, then the support object.
void Inspecta::Terminate() {
    if (!auxSupport) return;
    // Every step runs whatever the one before it reported: a failure must not keep the list,
    // its subscriptions or the support object alive past the control's end.
    ole::ErrorSuppressionRegion suppress;
    suppress.Attempt([&] { return auxSupport->SetClientObject(nullptr); });
    suppress.Attempt([&] { return auxSupport->SetKavella(nullptr); });
    ComPtr<InspectaSupport> released = std::move(auxSupport);
    released->SetEventSink(nullptr);
    released.Reset();
    listEvents_.Disconnect();
    fontEvents_.Disconnect();
}

IFACEMETHODIMP Inspecta::get_AutoWriteProperties(VARIANT_BOOL* value) {
    return Store(auxSupport->AutoWriteProperties(), value);
}

IFACEMETHODIMP Inspecta::put_AutoWriteProperties(VARIANT_BOOL value) {
    auxSupport->SetAutoWriteProperties(value);
    return S_OK;
}

IFACEMETHODIMP Inspecta::get_AutoPopulate(VARIANT_BOOL* value) { return Store(auxSupport->AutoPopulate(), value); }

IFACEMETHODIMP Inspecta::put_AutoPopulate(VARIANT_BOOL value) {
    auxSupport->SetAutoPopulate(value);
    NotifyContainer(kDispidAutoPopulate);
    return S_OK;
}

IFACEMETHODIMP Inspecta::get_HideCustomItems(VARIANT_BOOL* value) {
    return Store(auxSupport->HideCustomItems(), value);
}

IFACEMETHODIMP Inspecta::put_HideCustomItems(VARIANT_BOOL value) {
    RETURN_IF_FAILED(auxSupport->SetHideCustomItems(value));
    NotifyContainer(kDispidHideCustomItems);
    return S_OK;
}

IFACEMETHODIMP Inspecta::get_HideReadOnlyItems(VARIANT_BOOL* value) {
    return Store(auxSupport->HideReadOnlyItems(), value);
}

IFACEMETHODIMP Inspecta::put_HideReadOnlyItems(VARIANT_BOOL value) {
    RETURN_IF_FAILED(auxSupport->SetHideReadOnlyItems(value));
    NotifyContainer(kDispidHideReadOnlyItems);
    return S_OK;
}

IFACEMETHODIMP Inspecta::get_Enabled(VARIANT_BOOL* value) {
    return Store(SurfaceEnabled() ? VARIANT_TRUE : VARIANT_FALSE, value);
}

IFACEMETHODIMP Inspecta::put_Enabled(VARIANT_BOOL value) {
    SetSurfaceEnabled(value != VARIANT_FALSE);
    const Variant enabled(value);
    RETURN_IF_FAILED(ole::InvokeMember(list_.Get(), kListEnabledId, DISPATCH_PROPERTYPUT, {&enabled.Get(), 1}, nullptr));
    NotifyContainer(kDispidEnabled);
    return S_OK;
}

IFACEMETHODIMP Inspecta::get_Font(IFontDisp** font) {
    if (!font) return E_POINTER;
    return pFont.CopyTo(font);
}

IFACEMETHODIMP Inspecta::putref_Font(IFontDisp* font) { return SetFont(font); }

HRESULT Inspecta::SetFont(IFontDisp* font) noexcept {
    if (!font) return RaiseError(380, L"Invalid property value");
    const ComPtr<Inspecta> keepAlive(this);
    if (pFont.Get() != font) {
        pFont = font;
        // The subscription moves with the font.
        // A font without notifications is still a font: a refused subscription is left at that.
        fontEvents_.Connect(font, [this](DISPID) { pFont_FontChanged(); });
    }
    SetSurfaceFont(font);
    const Variant listFont(static_cast<IDispatch*>(font));
    RETURN_IF_FAILED(ole::InvokeMember(list_.Get(), kListFontId, DISPATCH_PROPERTYPUTREF, {&listFont.Get(), 1}, nullptr));
    NotifyContainer(kDispidFont);
    InvalidateView();
    return S_OK;
}

// An attribute of the font changed in place: the surface and the list take it up again.
void Inspecta::pFont_FontChanged() noexcept {
    NotifyContainer(kDispidFont);
    const ComPtr<IFontDisp> font = pFont;
    // Nobody called: a failure is dropped with its error info.
    ole::ErrorSuppressionRegion suppress;
    suppress.Attempt([&] { return SetFont(font.Get()); });
}

IFACEMETHODIMP Inspecta::get_ClientObject(IDispatch** client) {
    if (!client) return E_POINTER;
    return auxSupport->ClientObject().CopyTo(client);
}

IFACEMETHODIMP Inspecta::putref_ClientObject(IDispatch* client) {
    const ComPtr<Inspecta> keepAlive(this);
    return auxSupport->SetClientObject(client);
}

// The list's default member is its item collection.
HRESULT Inspecta::ItemCollection(ComPtr<IPropertyItems>& items) noexcept {
    Variant collection;
    RETURN_IF_FAILED(ole::InvokeMember(list_.Get(), DISPID_VALUE, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, &collection));
    if (V_VT(&collection.Get()) != VT_DISPATCH || !V_DISPATCH(&collection.Get())) return ole::RaiseTypeMismatch();
    if (FAILED(V_DISPATCH(&collection.Get())->QueryInterface(IID_IPropertyItems, items.PutVoid()))) {
        return ole::RaiseTypeMismatch();
    }
    return S_OK;
}

IFACEMETHODIMP Inspecta::get_Item(BSTR Key, IPropertyItem** item) {
    if (!item) return E_POINTER;
    *item = nullptr;
    ComPtr<IPropertyItems> items;
    RETURN_IF_FAILED(ItemCollection(items));
    const VARIANT key = ole::TextArgument(Key);
    LONG exists = 0;
    RETURN_IF_FAILED(items->Exists(key, &exists));
    if (exists == 0) return RaiseError(35603, L"Invalid Key");
    return items->get_Item(key, item);
}

IFACEMETHODIMP Inspecta::RefreshValues() {
    const ComPtr<Inspecta> keepAlive(this);
    if (!auxSupport || !auxSupport->ClientObject()) return S_OK;
    ComPtr<IPropertyItems> items;
    RETURN_IF_FAILED(ItemCollection(items));
    return ole::ForEachElement(items.Get(), [&](const VARIANT& element) -> HRESULT {
        ComPtr<IPropertyItem> item;
        RETURN_IF_FAILED(AsPropertyItem(element, item));
        ReadItemValue([this] { return auxSupport ? auxSupport->ClientObject() : nullptr; }, item.Get());
        return S_OK;
    });
}

IFACEMETHODIMP Inspecta::About() {
    // Whatever goes wrong in showing the box, the host is told nothing.
    ole::ErrorSuppressionRegion suppress;
    suppress.Attempt([] {
        about::frmAbout box(ole::CurrentModule());
        return box.Show();
    });
    return S_OK;
}

void Inspecta::auxSupport_AfterPopulate() noexcept {
    const ComPtr<Inspecta> keepAlive(this);
    FireEvent(kDispidAfterPopulateEvent);
}

void Inspecta::auxSupport_PropertyChanged(BSTR propertyName, const VARIANT& value) noexcept {
    const ComPtr<Inspecta> keepAlive(this);
    // The host gets copies: a handler that changes its arguments changes nothing here.
    Variant name;
    Variant copy;
    if (FAILED(ole::Guarded([&] {
            name = Variant(std::wstring_view(propertyName ? propertyName : L"", SysStringLen(propertyName)));
            return S_OK;
        })) ||
        FAILED(copy.CopyFrom(value))) {
        return;
    }
    const std::array<VARIANT, 2> arguments{name.Get(), copy.Get()};
    FireEvent(kDispidPropertyChangedEvent, arguments);
}

bool Inspecta::ListensTo(UINT position) const noexcept {
    return position == kavella_events::kRequestRefresh || position == kavella_events::kKeyDown;
}

HRESULT Inspecta::OnEvent(UINT position, DISPPARAMS& parameters) {
    if (position == kavella_events::kRequestRefresh) return RefreshValues();
    if (position == kavella_events::kKeyDown && IsRefreshKey(parameters)) return RefreshValues();
    return S_OK;
}
