#pragma once

#include "ole/com_object.h"
#include "ole/dispatch_impl.h"

#include "demo_sample.h"

#include <windows.h>

#include <span>
#include <string>

namespace demo {

// The record the demo inspects. Its IDispatch goes through the demo's type library, so the
// list sees exactly what an early-bound caller sees. Its supplier is another record, so the
// list shows an object-valued property; `Object` answers the record itself.
class SampleRecord final : public ole::ComObject<SampleRecord, ole::DispatchImpl<ISampleRecord>> {
public:
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;

    // `withSupplier` false makes a record whose supplier is nothing.
    explicit SampleRecord(bool withSupplier) noexcept : withSupplier_(withSupplier) {}
    HRESULT FinalConstruct() noexcept;

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

private:
    bool withSupplier_;
    std::wstring title_ = L"Garden bench";
    LONG quantity_ = 12;
    double price_ = 149.5;
    VARIANT_BOOL inStock_ = VARIANT_TRUE;
    SurfaceFinish finish_ = FinishSatin;
    OLE_COLOR colour_ = RGB(0x2E, 0x8B, 0x57);
    DATE delivered_ = 46000.5;  // 9 December 2025, noon
    LONG serialNumber_ = 40417;
    DATE created_ = 45292.0;  // 1 January 2024
    ole::ComPtr<IDispatch> supplier_;
};

// A new record with a supplier of its own, as the demo shows it.
HRESULT CreateSampleRecord(ole::ComPtr<IDispatch>& record) noexcept;

}  // namespace demo
