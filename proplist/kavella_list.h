#pragma once

#include "ole/class_info.h"
#include "ole/com_object.h"
#include "ole/control.h"
#include "ole/dispatch_impl.h"
#include "ole/property_notify_connection.h"
#include "innerlist/host_reads_values.h"
#include "proplist/description_cache.h"
#include "proplist/list_view.h"
#include "proplist/property_items.h"
#include "proplist/shown_object.h"

#include "kavella.h"

#include <memory>
#include <span>

namespace proplist {

// The property list control, KavellaCtl.Kavella: it lists the properties of an automation
// object as items, shows them in two columns and lets the user edit their values.
class KavellaList final
    : public ole::ComObject<KavellaList, ole::DispatchImpl<_Kavella>, ole::ProvideClassInfoImpl<KavellaList>,
                            ole::SupportErrorInfoImpl<_Kavella>, ole::ControlOf<KavellaList>, IHostReadsValues>,
      private ItemsObserver,
      private ListViewHost {
public:
    KavellaList();
    HRESULT FinalConstruct() noexcept { return StartControl(); }

    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;
    static const CLSID& ClassId() noexcept { return CLSID_Kavella; }
    static const IID& DefaultSourceId() noexcept { return DIID___Kavella; }

    // The list on screen, for the control's own tests.
    ListView& View() noexcept { return *view_; }

    // _Kavella
    IFACEMETHODIMP get_PropertyItems(IPropertyItems** items) override;
    IFACEMETHODIMP PopulateFromObject(VARIANT object) override;
    IFACEMETHODIMP get_Redraw(VARIANT_BOOL* redraw) override;
    IFACEMETHODIMP put_Redraw(VARIANT_BOOL redraw) override;
    IFACEMETHODIMP get_Font(IFontDisp** font) override;
    IFACEMETHODIMP putref_Font(IFontDisp* font) override;
    IFACEMETHODIMP get_Enabled(VARIANT_BOOL* enabled) override;
    IFACEMETHODIMP put_Enabled(VARIANT_BOOL enabled) override;
    IFACEMETHODIMP get_DescriptionVisible(VARIANT_BOOL* visible) override;
    IFACEMETHODIMP put_DescriptionVisible(VARIANT_BOOL visible) override;
    IFACEMETHODIMP get_DescriptionHeight(LONG* height) override;
    IFACEMETHODIMP put_DescriptionHeight(LONG height) override;
    IFACEMETHODIMP get_ViewOrder(LONG* order) override;
    IFACEMETHODIMP put_ViewOrder(LONG order) override;

    // IHostReadsValues
    IFACEMETHODIMP SetHostReadsValues(BOOL reads) override;

    // IOleInPlaceActiveObject: the keys that move and edit in the list are the list's, not
    // the container's dialog navigation.
    IFACEMETHODIMP TranslateAccelerator(LPMSG message) override;
    // IOleObject: a closed list follows its object no longer.
    IFACEMETHODIMP Close(DWORD saveOption) override;

private:
    ~KavellaList() override;

    // Lifecycle
    HRESULT Initialize() override;
    HRESULT InitProperties() override;
    HRESULT ReadProperties(IPropertyBag* bag) override;
    HRESULT WriteProperties(IPropertyBag* bag) override;
    void Resize() override;
    void Show() override;
    void Terminate() override;
    void Paint(HDC dc, const RECT& bounds) override;

    // ItemsObserver
    void ItemsReplaced() noexcept override;
    void ItemsCleared() noexcept override;
    void ItemChanged(PropertyItem& item) noexcept override;
    void ItemEdited(PropertyItem& item, const VARIANT& before) noexcept override;

    // The list shows `object` from now on (ShowObject), or none (StopShowing).
    void ShowObject(IDispatch* object) noexcept;
    void StopShowing() noexcept;

    // ListViewHost
    PropertyItems& Items() noexcept override { return *items_.Get(); }
    HFONT Font() noexcept override;
    bool IsEnabled() noexcept override { return enabled_; }
    bool IsRedrawing() noexcept override { return redraw_; }
    void Raise(DISPID id, std::span<const VARIANT> arguments) noexcept override;
    IUnknown* Lifeline() noexcept override { return Identity(); }
    void FocusReceived() noexcept override;
    void UserChangedProperty(DISPID id) noexcept override { PropertyChanged(id); }

    void UseFont(IFontDisp* font) noexcept;
    // The description pane's part of the saved state.
    HRESULT ReadDescriptionState(IPropertyBag* bag);
    HRESULT WriteDescriptionState(IPropertyBag* bag);

    ole::ComPtr<PropertyItems> items_;
    ole::ComPtr<IFontDisp> font_;
    ole::PropertyNotifyConnection fontChanges_;
    ShownObject shown_;
    DescriptionCache descriptions_;
    // Set by a host that reads every value itself right after a fill (IHostReadsValues).
    bool hostReadsValues_ = false;
    std::unique_ptr<ListView> view_;
    bool enabled_ = true;
    bool redraw_ = true;
};

}  // namespace proplist
