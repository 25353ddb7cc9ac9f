#include "binding/binding_engine.h"

#include "binding/item_values.h"
#include "binding/list_items.h"
#include "innerlist/host_reads_values.h"
#include "innerlist/kavella_events.h"
#include "ole/bstr.h"
#include "ole/error_suppression.h"
#include "ole/late_bound.h"
#include "ole/runtime_errors.h"
#include "ole/variant.h"

using ole::ComPtr;
using ole::Variant;

std::span<const ole::InterfaceEntry> InspectaSupport::InterfaceTable() noexcept {
    static constexpr ole::InterfaceEntry table[] = {ole::Implements<InspectaSupport, IUnknown>()};
    return table;
}

namespace {

// ReadProperties reads every value after each fill, so a list that would read them first as well
// is told not to; a list let go reads its own again.
void TellHostReadsValues(_Kavella* list, BOOL reads) noexcept {
    ComPtr<IHostReadsValues> told;
    if (list && SUCCEEDED(list->QueryInterface(__uuidof(IHostReadsValues), told.PutVoid()))) {
        told->SetHostReadsValues(reads);
    }
}

}  // namespace

InspectaSupport::~InspectaSupport() {
    client_.SetReference(nullptr);
    kavellaEvents_.Disconnect();
    TellHostReadsValues(pKavella.Get(), FALSE);
    pKavella.Reset();
}

HRESULT InspectaSupport::SetUseObjectProperty(VARIANT_BOOL value) noexcept {
    useObjectProperty_ = value;
    return Refresh();
}

HRESULT InspectaSupport::SetHideCustomItems(VARIANT_BOOL value) noexcept {
    hideCustomItems_ = value;
    return Refresh();
}

HRESULT InspectaSupport::SetHideReadOnlyItems(VARIANT_BOOL value) noexcept {
    hideReadOnlyItems_ = value;
    return Refresh();
}

HRESULT InspectaSupport::SetClientObject(IDispatch* client) noexcept {
    client_.SetReference(client);
    return Refresh();
}

ComPtr<IDispatch> InspectaSupport::Kavella() const noexcept {
    return pKavella.Get();
}

HRESULT InspectaSupport::SetKavella(IUnknown* list) noexcept {
    ComPtr<_Kavella> bound;
    ole::EventConnection events;
    if (list) {
        if (FAILED(list->QueryInterface(IID__Kavella, bound.PutVoid()))) return ole::RaiseTypeMismatch();
        RETURN_IF_FAILED(events.Connect(bound.Get(), DIID___Kavella, *this));
    }
    // The old list's subscription ends before the old list is let go; fields are replaced
    // before anything is released, since a release may re-enter.
    kavellaEvents_ = std::move(events);
    ComPtr<_Kavella> previous = std::exchange(pKavella, std::move(bound));
    TellHostReadsValues(previous.Get(), FALSE);
    TellHostReadsValues(pKavella.Get(), TRUE);
    previous.Reset();
    return S_OK;
}

HRESULT InspectaSupport::Refresh() noexcept {
    // A handler of AfterPopulate may drop the owner's last reference to us.
    const ComPtr<InspectaSupport> keepAlive(this);
    if (!Kavella()) return S_OK;
    if (!ClientObject()) {
        if (autoPopulate_) {
            ComPtr<IDispatch> items;
            RETURN_IF_FAILED(GetPropertyItems(Kavella().Get(), items));
            RETURN_IF_FAILED(ole::CallMethod(items.Get(), L"Clear", {}, nullptr));
        }
        return ReadProperties();
    }

    RETURN_IF_FAILED(ole::PutProperty(Kavella().Get(), L"Redraw", Variant(false).Get()));
    if (autoPopulate_) {
        Variant source;
        if (useObjectProperty_) {
            RETURN_IF_FAILED(ole::GetProperty(ClientObject().Get(), L"object", source));
        } else {
            source = Variant(ClientObject().Get());
        }
        RETURN_IF_FAILED(ole::CallMethod(Kavella().Get(), L"PopulateFromObject", {&source.Get(), 1}, nullptr));
    }
    RETURN_IF_FAILED(ForEachPropertyItem(Kavella().Get(), [&](IPropertyItem* item) { return FilterItem(item); }));
    RETURN_IF_FAILED(ole::PutProperty(Kavella().Get(), L"Redraw", Variant(true).Get()));
    if (owner_) owner_->AfterPopulate();
    return ReadProperties();
}

HRESULT InspectaSupport::FilterItem(IPropertyItem* item) noexcept {
    VARIANT_BOOL readOnly = VARIANT_FALSE;
    RETURN_IF_FAILED(item->get_ReadOnly(&readOnly));
    if (readOnly != VARIANT_FALSE && hideReadOnlyItems_ != VARIANT_FALSE) RETURN_IF_FAILED(item->put_Visible(VARIANT_FALSE));
    LONG style = 0;
    RETURN_IF_FAILED(item->get_Style(&style));
    // Only exactly True hides custom items; any other non-zero value does not.
    if (style == 0 && hideCustomItems_ == VARIANT_TRUE) RETURN_IF_FAILED(item->put_Visible(VARIANT_FALSE));
    return S_OK;
}

HRESULT InspectaSupport::ReadProperties() noexcept {
    const ComPtr<InspectaSupport> keepAlive(this);
    if (!ClientObject() || !Kavella()) return S_OK;
    return ForEachPropertyItem(Kavella().Get(), [&](IPropertyItem* item) { return ReadItem(item); });
}

HRESULT InspectaSupport::ReadItem(IPropertyItem* item) noexcept {
    RETURN_IF_FAILED(item->put_Modified(Variant(false).Get()));
    ReadItemValue([this] { return ClientObject(); }, item);
    return S_OK;
}

HRESULT InspectaSupport::WriteProperties() noexcept {
    const ComPtr<InspectaSupport> keepAlive(this);
    if (!ClientObject()) return S_OK;
    return ForEachPropertyItem(Kavella().Get(), [&](IPropertyItem* item) {
        return WriteItem(ClientObject().Get(), item);
    });
}

HRESULT InspectaSupport::WriteItem(IDispatch* client, IPropertyItem* item) noexcept {
    VARIANT_BOOL readOnly = VARIANT_FALSE;
    VARIANT_BOOL visible = VARIANT_FALSE;
    Variant marker;
    RETURN_IF_FAILED(item->get_ReadOnly(&readOnly));
    RETURN_IF_FAILED(item->get_Visible(&visible));
    RETURN_IF_FAILED(item->get_Modified(marker.Out()));
    if (!IsMarkedModified(marker.Get()) || visible != VARIANT_TRUE || readOnly != VARIANT_FALSE) return S_OK;
    Variant value;
    ole::Bstr name;
    RETURN_IF_FAILED(item->get_Value(value.Out()));
    RETURN_IF_FAILED(item->get_Name(name.Out()));
    if (!client) return ole::RaiseObjectNotSet();
    RETURN_IF_FAILED(ole::PutProperty(client, name.Get() ? name.Get() : L"", value.Get()));
    return item->put_Modified(Variant(false).Get());
}

bool InspectaSupport::ListensTo(UINT position) const noexcept { return position == kavella_events::kItemChanged; }

HRESULT InspectaSupport::OnEvent(UINT position, DISPPARAMS& parameters) {
    if (position != kavella_events::kItemChanged) return S_OK;
    if (parameters.cArgs != 1) return DISP_E_BADPARAMCOUNT;
    ComPtr<IPropertyItem> item;
    RETURN_IF_FAILED(AsPropertyItem(parameters.rgvarg[0], item));
    return OnItemChanged(item.Get());
}

HRESULT InspectaSupport::OnItemChanged(IPropertyItem* item) noexcept {
    // A handler of PropertyChanged may drop the owner's last reference to us.
    const ComPtr<InspectaSupport> keepAlive(this);
    // An item of an object nested in the client's is not the client's property: the list writes it.
    bool inList = false;
    RETURN_IF_FAILED(IsListItem(Kavella().Get(), item, inList));
    if (!inList) return S_OK;
    RETURN_IF_FAILED(item->put_Modified(Variant(true).Get()));
    ole::Bstr name;
    Variant value;
    RETURN_IF_FAILED(item->get_Name(name.Out()));
    RETURN_IF_FAILED(item->get_Value(value.Out()));
    if (owner_) owner_->PropertyChanged(name.Get(), value.Get());
    if (autoWriteProperties_ != VARIANT_FALSE) {
        ole::ErrorSuppressionRegion suppress;
        suppress.Attempt([&]() -> HRESULT {
            Variant edited;
            ole::Bstr property;
            RETURN_IF_FAILED(item->get_Value(edited.Out()));
            RETURN_IF_FAILED(item->get_Name(property.Out()));
            return ole::PutProperty(ClientObject().Get(), property.Get() ? property.Get() : L"", edited.Get());
        });
        // A value the client refused must not look set: the item shows what the client holds.
        if (suppress.Failed()) suppress.Attempt([&] { return ReadItem(item); });
    }
    return S_OK;
}
