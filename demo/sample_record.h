#pragma once

#include "proplist/categorize_properties.h"
#include "demo/sample_supplier.h"

#include "ole/com_object.h"
#include "ole/connection_point.h"
#include "ole/dispatch_impl.h"
#include "ole/property_notify_connection.h"

#include "demo_sample.h"

#include <windows.h>
#include <ocidl.h>

#include <span>
#include <string>

namespace demo {

// The record the demo inspects. Its IDispatch goes through the demo's type library, so the
// list sees exactly what an early-bound caller sees. It behaves like a control's properties:
// it sorts them into categories, and every change (a put, its font changed in place, a tick of
// its counter) is announced to its IPropertyNotifySink connections. Its supplier is an object
// with objects of its own; `Object` answers the record itself.
class SampleRecord final : public ole::ComObject<SampleRecord, ole::DispatchImpl<ISampleRecord>,
                                                 IConnectionPointContainer, ICategorizeProperties> {
public:
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;

    SampleRecord() noexcept : propertyNotify_(static_cast<ISampleRecord*>(this), IID_IPropertyNotifySink) {}
    ~SampleRecord() override;
    HRESULT FinalConstruct() noexcept;

    // One more second on the counter, announced like any other change.
    void Tick() noexcept;

    IFACEMETHODIMP get_Title(BSTR* value) override;
    IFACEMETHODIMP put_Title(BSTR value) override;
    IFACEMETHODIMP get_Quantity(LONG* value) override;
    IFACEMETHODIMP put_Quantity(LONG value) override;
    IFACEMETHODIMP get_Price(double* value) override;
    IFACEMETHODIMP put_Price(double value) override;
    IFACEMETHODIMP get_InStock(VARIANT_BOOL* value) override;
    IFACEMETHODIMP put_InStock(VARIANT_BOOL value) override;
    IFACEMETHODIMP get_Finish(SurfaceFinish* value) override;
    IFACEMETHODIMP put_Finish(SurfaceFinish value) override;
    IFACEMETHODIMP get_Colour(OLE_COLOR* value) override;
    IFACEMETHODIMP put_Colour(OLE_COLOR value) override;
    IFACEMETHODIMP get_Delivered(DATE* value) override;
    IFACEMETHODIMP put_Delivered(DATE value) override;
    IFACEMETHODIMP get_SerialNumber(LONG* value) override;
    IFACEMETHODIMP get_Created(DATE* value) override;
    IFACEMETHODIMP get_Supplier(IDispatch** value) override;
    IFACEMETHODIMP putref_Supplier(IDispatch* value) override;
    IFACEMETHODIMP get_Object(IDispatch** value) override;
    IFACEMETHODIMP get_Font(IFontDisp** value) override;
    IFACEMETHODIMP putref_Font(IFontDisp* value) override;
    IFACEMETHODIMP get_Counter(LONG* value) override;

    // IConnectionPointContainer: property change notifications only.
    IFACEMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    IFACEMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // ICategorizeProperties
    IFACEMETHODIMP MapPropertyToCategory(DISPID id, PROPCAT* category) override;
    IFACEMETHODIMP GetCategoryName(PROPCAT category, LCID locale, BSTR* name) override;

private:
    // Stores `value` and announces the property when it differs from what was there.
    template <typename T>
    HRESULT Change(T& field, const T& value, DISPID id) noexcept {
        if (field == value) return S_OK;
        field = value;
        NotifyPropertyChanged(propertyNotify_, id);
        return S_OK;
    }
    HRESULT SetFont(ole::ComPtr<IFontDisp> font) noexcept;

    std::wstring title_ = L"Garden bench";
    LONG quantity_ = 12;
    double price_ = 149.5;
    VARIANT_BOOL inStock_ = VARIANT_TRUE;
    SurfaceFinish finish_ = FinishSatin;
    OLE_COLOR colour_ = RGB(0x2E, 0x8B, 0x57);
    DATE delivered_ = 46000.5;  // 9 December 2025, noon
    LONG serialNumber_ = 40417;
    DATE created_ = 45292.0;  // 1 January 2024
    LONG counter_ = 0;
    ole::ComPtr<Supplier> ownSupplier_;  // the one made with the record, told when the record goes
    ole::ComPtr<IDispatch> supplier_;
    ole::ComPtr<IFontDisp> font_;
    ole::PropertyNotifyConnection fontChanges_;
    ole::ConnectionPoint propertyNotify_;
};

// A new record with a supplier of its own, as the demo shows it.
HRESULT CreateSampleRecord(ole::ComPtr<SampleRecord>& record) noexcept;
HRESULT CreateSampleRecord(ole::ComPtr<IDispatch>& record) noexcept;

}  // namespace demo
