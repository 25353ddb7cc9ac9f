#pragma once

#include "binding/binding_engine.h"
#include "ole/class_info.h"
#include "ole/control.h"
#include "ole/dispatch_impl.h"
#include "ole/event_connection.h"
#include "ole/property_notify_connection.h"
#include "control/control_interface.h"

#include <windows.h>
#include <ocidl.h>

// The Inspecta control: it forwards its options and its client object to its support object,
// keeps its font and enabled state in step with the list it hosts, looks items up, refreshes
// values, relays the support object's events to the host and shows the About box.
class Inspecta final
    : public ole::ComObject<Inspecta, ole::DispatchImpl<_Inspecta>, ole::ProvideClassInfoImpl<Inspecta>,
                            ole::SupportErrorInfoImpl<_Inspecta>, ole::ControlOf<Inspecta>>,
      private ole::EventReceiver {
public:
    static const CLSID& ClassId() noexcept { return CLSID_Inspecta; }
    static const IID& DefaultSourceId() noexcept { return DIID___Inspecta; }
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;

    Inspecta() noexcept;
    HRESULT FinalConstruct() noexcept;

    // _Inspecta
    IFACEMETHODIMP get_AutoWriteProperties(VARIANT_BOOL* value) override;
    IFACEMETHODIMP put_AutoWriteProperties(VARIANT_BOOL value) override;
    IFACEMETHODIMP get_AutoPopulate(VARIANT_BOOL* value) override;
    IFACEMETHODIMP put_AutoPopulate(VARIANT_BOOL value) override;
    IFACEMETHODIMP get_Item(BSTR Key, IPropertyItem** item) override;
    IFACEMETHODIMP get_Enabled(VARIANT_BOOL* value) override;
    IFACEMETHODIMP put_Enabled(VARIANT_BOOL value) override;
    IFACEMETHODIMP get_HideCustomItems(VARIANT_BOOL* value) override;
    IFACEMETHODIMP put_HideCustomItems(VARIANT_BOOL value) override;
    IFACEMETHODIMP About() override;
    IFACEMETHODIMP get_HideReadOnlyItems(VARIANT_BOOL* value) override;
    IFACEMETHODIMP put_HideReadOnlyItems(VARIANT_BOOL value) override;
    IFACEMETHODIMP get_Font(IFontDisp** font) override;
    IFACEMETHODIMP putref_Font(IFontDisp* font) override;
    IFACEMETHODIMP RefreshValues() override;
    IFACEMETHODIMP get_ClientObject(IDispatch** client) override;
    IFACEMETHODIMP putref_ClientObject(IDispatch* client) override;

protected:
    HRESULT Initialize() override;
    HRESULT InitProperties() override;
    HRESULT ReadProperties(IPropertyBag* bag) override;
    HRESULT WriteProperties(IPropertyBag* bag) override;
    void Resize() override;
    void Show() override;
    void Terminate() override;

private:
    // Relays the support object's events under the handler names of the control.
    class SupportEvents final : public InspectaSupportEvents {
    public:
        explicit SupportEvents(Inspecta& control) noexcept : control_(control) {}
        void AfterPopulate() override { control_.auxSupport_AfterPopulate(); }
        void PropertyChanged(BSTR name, const VARIANT& value) override { control_.auxSupport_PropertyChanged(name, value); }

    private:
        Inspecta& control_;
    };

    ~Inspecta() override;

    void auxSupport_AfterPopulate() noexcept;
    void auxSupport_PropertyChanged(BSTR propertyName, const VARIANT& value) noexcept;
    void pFont_FontChanged() noexcept;
    // The list's events, by position.
    HRESULT OnEvent(UINT position, DISPPARAMS& parameters) override;
    bool ListensTo(UINT position) const noexcept override;

    HRESULT SetFont(IFontDisp* font) noexcept;
    HRESULT ItemCollection(ole::ComPtr<IPropertyItems>& items) noexcept;
    void NotifyContainer(DISPID property) noexcept { ole::ControlBase::PropertyChanged(property); }

    ole::ComPtr<InspectaSupport> auxSupport;
    SupportEvents supportEvents_{*this};
    ole::ComPtr<IFontDisp> pFont;
    ole::PropertyNotifyConnection fontEvents_;
    // The container's wrapper of the placed list, and the list itself behind it.
    ole::ComPtr<IDispatch> prpWrapper;
    ole::ComPtr<IDispatch> list_;
    ole::EventConnection listEvents_;
};
