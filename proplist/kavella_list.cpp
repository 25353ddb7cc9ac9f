#include "proplist/kavella_list.h"

#include "ole/ambient.h"
#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/error_info.h"
#include "ole/hresult.h"
#include "ole/property_bag.h"
#include "proplist/item_generator.h"
#include "proplist/list_errors.h"
#include "proplist/list_events.h"

#include <olectl.h>

namespace proplist {

namespace {

// The object a Variant argument refers to, by value or by reference.
ole::ComPtr<IDispatch> ObjectOf(const VARIANT& given) {
    IUnknown* object = ole::ReferencedObject(given);
    ole::ComPtr<IDispatch> dispatch;
    if (object) object->QueryInterface(IID_IDispatch, dispatch.PutVoid());
    return dispatch;
}

}  // namespace

KavellaList::KavellaList() : view_(std::make_unique<ListView>(static_cast<ListViewHost&>(*this))) {}

KavellaList::~KavellaList() {
    EndControl();
    // Callers may keep the collection after the list is gone.
    if (items_) items_->SetObserver(nullptr);
}

std::span<const ole::InterfaceEntry> KavellaList::InterfaceTable() noexcept {
    static constexpr auto table = ole::JoinInterfaceTables(
        std::array<ole::InterfaceEntry, 6>{
            ole::Implements<KavellaList, _Kavella>(),
            ole::Implements<KavellaList, IDispatch, _Kavella>(),
            ole::Implements<KavellaList, IProvideClassInfo2>(),
            ole::Implements<KavellaList, IProvideClassInfo, IProvideClassInfo2>(),
            ole::Implements<KavellaList, ISupportErrorInfo>(),
            ole::Implements<KavellaList, IHostReadsValues>(),
        },
        ole::ControlInterfaces<KavellaList>());
    return table;
}

HRESULT KavellaList::Initialize() {
    RETURN_IF_FAILED(ole::MakeObject(items_));
    items_->SetObserver(this);
    ole::ComPtr<IFontDisp> font;
    RETURN_IF_FAILED(ole::CreateDefaultFont(font));
    UseFont(font.Get());
    return S_OK;
}

HRESULT KavellaList::InitProperties() {
    // A newly placed list takes its container's font, as controls on a form do.
    ole::ComPtr<IFontDisp> ambient;
    if (SUCCEEDED(AmbientFont(ambient)) && ambient) {
        ole::ComPtr<IFont> font;
        ole::ComPtr<IFont> copy;
        if (SUCCEEDED(ambient.As(&font)) && SUCCEEDED(font->Clone(copy.Put()))) {
            ole::ComPtr<IFontDisp> own;
            if (SUCCEEDED(copy.As(&own))) UseFont(own.Get());
        }
    }
    return S_OK;
}

HRESULT KavellaList::ReadProperties(IPropertyBag* bag) {
    const ole::Variant currentFont(static_cast<IDispatch*>(font_.Get()));
    const ole::Variant enabledByDefault(true);
    const ole::Variant objectOrder(LONG{ListView::kObjectOrder});
    ole::Variant font, enabled, order;
    RETURN_IF_FAILED(ole::ReadBagValue(bag, L"Font", VT_DISPATCH, currentFont.Get(), font));
    RETURN_IF_FAILED(ole::ReadBagValue(bag, L"Enabled", VT_BOOL, enabledByDefault.Get(), enabled));
    RETURN_IF_FAILED(ole::ReadBagValue(bag, L"ViewOrder", VT_I4, objectOrder.Get(), order));
    ole::ComPtr<IFontDisp> readFont;
    if (V_DISPATCH(&font.Get())) {
        RETURN_IF_FAILED(V_DISPATCH(&font.Get())->QueryInterface(IID_IFontDisp, readFont.PutVoid()));
        UseFont(readFont.Get());
    }
    enabled_ = V_BOOL(&enabled.Get()) != VARIANT_FALSE;
    view_->EnabledChanged();
    // An order this list does not know (a later version's) leaves the object's own.
    if (!view_->SetViewOrder(V_I4(&order.Get()))) view_->SetViewOrder(ListView::kObjectOrder);
    return ReadDescriptionState(bag);
}

HRESULT KavellaList::WriteProperties(IPropertyBag* bag) {
    RETURN_IF_FAILED(ole::WriteBagValue(bag, L"Font", ole::Variant(static_cast<IDispatch*>(font_.Get())).Get()));
    RETURN_IF_FAILED(ole::WriteBagValue(bag, L"Enabled", ole::Variant(enabled_).Get()));
    RETURN_IF_FAILED(ole::WriteBagValue(bag, L"ViewOrder", ole::Variant(LONG{view_->ViewOrder()}).Get()));
    return WriteDescriptionState(bag);
}

void KavellaList::Resize() {
    if (Window()) view_->Place(Window());
}

void KavellaList::Show() {
    if (Window()) view_->Place(Window());
}

void KavellaList::Terminate() {
    fontChanges_.Disconnect();
    StopShowing();
    view_->AbandonEdit();
}

void KavellaList::Paint(HDC dc, const RECT& bounds) { view_->DrawControl(dc, bounds); }

void KavellaList::ItemsReplaced() noexcept { view_->ItemsReplaced(); }

void KavellaList::ItemsCleared() noexcept {
    StopShowing();
    Raise(events::kItemsCleared, {});
}

void KavellaList::ItemChanged(PropertyItem& item) noexcept { view_->ItemChanged(item); }

HFONT KavellaList::Font() noexcept {
    ole::ComPtr<IFont> font;
    HFONT handle = nullptr;
    if (font_ && SUCCEEDED(font_.As(&font))) font->get_hFont(&handle);
    return handle;
}

void KavellaList::FocusReceived() noexcept {
    // Becoming the active object is what makes the container pass keys through
    // TranslateAccelerator; a list without a site has nobody to tell.
    if (ClientSite() && Window()) {
        DoVerb(OLEIVERB_UIACTIVATE, nullptr, ClientSite(), 0, GetParent(Window()), nullptr);
    }
}

HRESULT KavellaList::TranslateAccelerator(LPMSG message) {
    HWND list = view_->Window();
    // The search box above the rows takes its keys as the rows do.
    const bool inToolbar = message && IsChild(view_->Toolbar().Window(), message->hwnd);
    if (!message || !list || (message->hwnd != list && !IsChild(list, message->hwnd) && !inToolbar)) {
        return ControlOf::TranslateAccelerator(message);
    }
    if (message->message != WM_KEYDOWN && message->message != WM_KEYUP) {
        return ControlOf::TranslateAccelerator(message);
    }
    switch (message->wParam) {
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
    case VK_DELETE:
        TranslateMessage(message);
        DispatchMessageW(message);
        return S_OK;
    default:
        return ControlOf::TranslateAccelerator(message);
    }
}


void KavellaList::Raise(DISPID id, std::span<const VARIANT> arguments) noexcept { FireEvent(id, arguments); }

void KavellaList::UseFont(IFontDisp* font) noexcept {
    fontChanges_.Disconnect();
    font_ = font;
    // A font changed in place (its size, say) changes the rows' height; a font that tells of no
    // changes is used all the same.
    if (font_) {
        fontChanges_.Connect(font_.Get(), [this](DISPID) {
            view_->FontChanged();
            Raise(events::kFontChanged, {});
        });
    }
    view_->FontChanged();
}

HRESULT KavellaList::get_PropertyItems(IPropertyItems** items) {
    if (!items) return E_POINTER;
    *items = nullptr;
    return ole::ComPtr<IPropertyItems>(items_.Get()).CopyTo(items);
}

HRESULT KavellaList::PopulateFromObject(VARIANT object) {
    return ole::Guarded([&]() -> HRESULT {
        const ole::ComPtr<IDispatch> target = ObjectOf(object);
        if (!target) return RaiseListError(kErrorObjectRequired, IID__Kavella);
        VARIANT_BOOL cancel = VARIANT_FALSE;
        const VARIANT beforePopulate[] = {ole::BooleanReference(&cancel)};
        Raise(events::kBeforePopulate, beforePopulate);
        if (cancel) return S_OK;
        // Afterwards the list holds this object's items and no others: its callers refill it
        // without clearing it first. An object that cannot be described leaves it empty.
        const ole::ComPtr<PropertyItems> items = items_;
        std::vector<ole::Variant> dropped;
        if (HasEventSinksFor(events::kItemRemoved)) {
            dropped.reserve(items->Size());
            for (size_t i = 0; i < items->Size(); ++i) {
                dropped.emplace_back(std::wstring_view(items->At(i).Description().name));
            }
        }
        std::vector<ole::ComPtr<PropertyItem>> previous = items->TakeAll();
        view_->ObjectShown(target.Get());
        // Each name is made once and given to the event: a refresh raises one for every item.
        for (ole::Variant& name : dropped) FireEventGiving(events::kItemRemoved, {&name, 1});
        std::vector<ole::ComPtr<PropertyItem>> made;
        const ItemValues values = hostReadsValues_ ? ItemValues::kLeftEmpty : ItemValues::kRead;
        if (const HRESULT generated = GenerateItems(target.Get(), made, &descriptions_, values, std::move(previous));
            FAILED(generated)) {
            StopShowing();
            return generated;
        }
        ShowObject(target.Get());
        const size_t first = items->Size();
        items->Append(std::move(made));
        for (size_t i = first; i < items->Size() && HasEventSinksFor(events::kItemAdded); ++i) {
            const VARIANT arguments[] = {ole::ObjectArgument(static_cast<IPropertyItem*>(&items->At(i)))};
            Raise(events::kItemAdded, arguments);
        }
        Raise(events::kAfterPopulate, {});
        ole::ClearErrorInfo();
        return S_OK;
    });
}

HRESULT KavellaList::SetHostReadsValues(BOOL reads) {
    hostReadsValues_ = reads != FALSE;
    return S_OK;
}

HRESULT KavellaList::get_Redraw(VARIANT_BOOL* redraw) {
    if (!redraw) return E_POINTER;
    *redraw = redraw_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT KavellaList::put_Redraw(VARIANT_BOOL redraw) {
    const bool on = redraw != VARIANT_FALSE;
    if (on == redraw_) return S_OK;
    redraw_ = on;
    if (on) {
        view_->RedrawResumed();
        InvalidateView();
    }
    const VARIANT arguments[] = {ole::BooleanArgument(on ? VARIANT_TRUE : VARIANT_FALSE)};
    Raise(events::kRedrawChanged, arguments);
    return S_OK;
}

HRESULT KavellaList::get_Font(IFontDisp** font) { return font_.CopyTo(font); }

HRESULT KavellaList::putref_Font(IFontDisp* font) {
    if (!font) return RaiseListError(kErrorInvalidValue, IID__Kavella);
    UseFont(font);
    PropertyChanged(0x68030000);
    InvalidateView();
    Raise(events::kFontChanged, {});
    return S_OK;
}

HRESULT KavellaList::get_Enabled(VARIANT_BOOL* enabled) {
    if (!enabled) return E_POINTER;
    *enabled = enabled_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT KavellaList::put_Enabled(VARIANT_BOOL enabled) {
    const bool on = enabled != VARIANT_FALSE;
    if (on == enabled_) return S_OK;
    enabled_ = on;
    view_->EnabledChanged();
    PropertyChanged(0x6803000A);
    InvalidateView();
    Raise(events::kEnabledChanged, {});
    return S_OK;
}

}  // namespace proplist

namespace proplist {

HRESULT KavellaList::get_ViewOrder(LONG* order) {
    if (!order) return E_POINTER;
    *order = view_->ViewOrder();
    return S_OK;
}

HRESULT KavellaList::put_ViewOrder(LONG order) {
    if (!view_->SetViewOrder(order)) return RaiseListError(kErrorInvalidValue, IID__Kavella);
    ole::ClearErrorInfo();
    return S_OK;
}

}  // namespace proplist
