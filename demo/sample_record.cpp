#include "demo/sample_record.h"

#include "ole/error_info.h"

#include <array>
#include <cmath>

namespace demo {

namespace {

constexpr wchar_t kSource[] = L"InspectaDemo.SampleRecord";

// What VB calls an invalid property value, with this object as its source.
HRESULT RefuseValue(const wchar_t* description) noexcept {
    ole::PublishErrorInfo(kSource, description, nullptr, 0, IID_ISampleRecord);
    return ole::ControlErrorHResult(380);
}

template <typename T>
HRESULT Store(const T& value, T* result) noexcept {
    if (!result) return E_POINTER;
    *result = value;
    return S_OK;
}

}  // namespace

std::span<const ole::InterfaceEntry> SampleRecord::InterfaceTable() noexcept {
    static constexpr std::array<ole::InterfaceEntry, 2> table{
        ole::Implements<SampleRecord, ISampleRecord>(),
        ole::Implements<SampleRecord, IDispatch, ISampleRecord>(),
    };
    return table;
}

HRESULT SampleRecord::FinalConstruct() noexcept {
    if (!withSupplier_) return S_OK;
    ole::ComPtr<SampleRecord> supplier;
    RETURN_IF_FAILED(ole::MakeObject(supplier, false));
    supplier->title_ = L"Oak & Iron Ltd";
    supplier->quantity_ = 1;
    supplier->serialNumber_ = 7;
    return supplier->QueryInterface(IID_IDispatch, supplier_.PutVoid());
}

IFACEMETHODIMP SampleRecord::get_Title(BSTR* value) {
    if (!value) return E_POINTER;
    *value = SysAllocStringLen(title_.data(), static_cast<UINT>(title_.size()));
    return *value ? S_OK : E_OUTOFMEMORY;
}

IFACEMETHODIMP SampleRecord::put_Title(BSTR value) {
    return ole::Guarded([&] {
        title_.assign(value ? value : L"", SysStringLen(value));
        return S_OK;
    });
}

IFACEMETHODIMP SampleRecord::get_Quantity(LONG* value) { return Store(quantity_, value); }

IFACEMETHODIMP SampleRecord::put_Quantity(LONG value) {
    if (value < 0) return RefuseValue(L"A quantity cannot be negative.");
    quantity_ = value;
    return S_OK;
}

IFACEMETHODIMP SampleRecord::get_Price(double* value) { return Store(price_, value); }

IFACEMETHODIMP SampleRecord::put_Price(double value) {
    if (!std::isfinite(value) || value < 0) return RefuseValue(L"A price is a number of zero or more.");
    price_ = value;
    return S_OK;
}

IFACEMETHODIMP SampleRecord::get_InStock(VARIANT_BOOL* value) { return Store(inStock_, value); }

IFACEMETHODIMP SampleRecord::put_InStock(VARIANT_BOOL value) {
    inStock_ = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

IFACEMETHODIMP SampleRecord::get_Finish(SurfaceFinish* value) { return Store(finish_, value); }

IFACEMETHODIMP SampleRecord::put_Finish(SurfaceFinish value) {
    if (value != FinishMatte && value != FinishSatin && value != FinishGloss) {
        return RefuseValue(L"The finish is Matte (0), Satin (1) or Gloss (2).");
    }
    finish_ = value;
    return S_OK;
}

IFACEMETHODIMP SampleRecord::get_Colour(OLE_COLOR* value) { return Store(colour_, value); }

IFACEMETHODIMP SampleRecord::put_Colour(OLE_COLOR value) {
    colour_ = value;
    return S_OK;
}

IFACEMETHODIMP SampleRecord::get_Delivered(DATE* value) { return Store(delivered_, value); }

IFACEMETHODIMP SampleRecord::put_Delivered(DATE value) {
    delivered_ = value;
    return S_OK;
}

IFACEMETHODIMP SampleRecord::get_SerialNumber(LONG* value) { return Store(serialNumber_, value); }

IFACEMETHODIMP SampleRecord::get_Created(DATE* value) { return Store(created_, value); }

IFACEMETHODIMP SampleRecord::get_Supplier(IDispatch** value) {
    if (!value) return E_POINTER;
    return supplier_.CopyTo(value);
}

IFACEMETHODIMP SampleRecord::putref_Supplier(IDispatch* value) {
    // The old supplier goes only after the field no longer names it.
    ole::ComPtr<IDispatch> previous = std::move(supplier_);
    supplier_ = value;
    return S_OK;
}

IFACEMETHODIMP SampleRecord::get_Object(IDispatch** value) {
    if (!value) return E_POINTER;
    return QueryInterface(IID_IDispatch, reinterpret_cast<void**>(value));
}

HRESULT CreateSampleRecord(ole::ComPtr<IDispatch>& record) noexcept {
    record.Reset();
    ole::ComPtr<SampleRecord> made;
    RETURN_IF_FAILED(ole::MakeObject(made, true));
    return made->QueryInterface(IID_IDispatch, record.PutVoid());
}

}  // namespace demo
