#pragma once

#include "ole/com_ptr.h"
#include "proplist/categorize_properties.h"
#include "ole/connection_point.h"
#include "tests/doubles/test_double.h"

#include "sample_library.h"

#include <windows.h>
#include <ocidl.h>

#include <map>
#include <string>
#include <utility>

namespace proplist_tests {

// A type description from the sample objects' type library, TYPELIB 2 of the test program.
ole::ComPtr<ITypeInfo> SampleTypeInfo(REFGUID guid);

// An object of the dual interface ISample. Its type information is reached either through
// IDispatch::GetTypeInfo or only through IProvideClassInfo, as the test chooses.
class SampleObject final : public doubles::Double<SampleObject, ISample, IProvideClassInfo> {
public:
    // ByClassOfDispatch: GetTypeInfo answers with the coclass, as some objects do.
    enum class Described { ByDispatch, ByClassInfo, ByClassOfDispatch };
    static ole::ComPtr<SampleObject> Create(Described described = Described::ByDispatch) { return Make(described); }
    std::span<const ole::InterfaceEntry> InterfaceTable() const noexcept;

    // What tests set or read; the other properties read as constants and forget what is written.
    struct Values {
        LONG count = 3;
        ole::ComPtr<IDispatch> child;
        VARTYPE malformedAnything = VT_EMPTY;  // else Anything reads as this type, payload null
    } values;
    size_t invokes = 0;  // calls of IDispatch::Invoke: what the object was asked to read or write

    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override;
    IFACEMETHODIMP GetClassInfo(ITypeInfo** info) override;

    IFACEMETHODIMP get_Caption(BSTR* value) override { *value = SysAllocString(L"Hello"); return S_OK; }
    IFACEMETHODIMP put_Caption(BSTR) override { return S_OK; }
    IFACEMETHODIMP get_Count(LONG* value) override { *value = values.count; return S_OK; }
    IFACEMETHODIMP put_Count(LONG value) override { values.count = value; return S_OK; }
    IFACEMETHODIMP get_Ratio(double* value) override { *value = 0.5; return S_OK; }
    IFACEMETHODIMP put_Ratio(double) override { return S_OK; }
    IFACEMETHODIMP get_Shown(VARIANT_BOOL* value) override { *value = VARIANT_TRUE; return S_OK; }
    IFACEMETHODIMP put_Shown(VARIANT_BOOL) override { return S_OK; }
    IFACEMETHODIMP get_Outline(Shape* value) override { *value = ShapeTriangle; return S_OK; }
    IFACEMETHODIMP put_Outline(Shape) override { return S_OK; }
    IFACEMETHODIMP get_BackColor(OLE_COLOR* value) override { *value = RGB(255, 128, 0); return S_OK; }
    IFACEMETHODIMP put_BackColor(OLE_COLOR) override { return S_OK; }
    IFACEMETHODIMP get_Born(DATE* value) override { *value = 45000.25; return S_OK; }  // 15 March 2023, 6:00
    IFACEMETHODIMP put_Born(DATE) override { return S_OK; }
    IFACEMETHODIMP get_Serial(LONG* value) override { *value = 42; return S_OK; }
    IFACEMETHODIMP get_Child(IDispatch** value) override { return values.child.CopyTo(value); }
    IFACEMETHODIMP putref_Child(IDispatch* value) override { values.child = value; return S_OK; }
    IFACEMETHODIMP get_Secret(LONG* value) override { *value = 1; return S_OK; }
    IFACEMETHODIMP get_Internal(LONG* value) override { *value = 2; return S_OK; }
    IFACEMETHODIMP get_Cell(LONG, BSTR* value) override { *value = nullptr; return S_OK; }
    IFACEMETHODIMP Reset() override { return S_OK; }
    IFACEMETHODIMP get_Values(SAFEARRAY** value) override { *value = nullptr; return E_NOTIMPL; }
    IFACEMETHODIMP get_Price(CY* value) override { value->int64 = 123400; return S_OK; }  // 12.34
    IFACEMETHODIMP get_Anything(VARIANT* value) override { VariantInit(value); return S_OK; }
    IFACEMETHODIMP get_Small(SHORT* value) override { *value = 7; return S_OK; }
    IFACEMETHODIMP put_Small(SHORT) override { return S_OK; }

private:
    friend Double;
    explicit SampleObject(Described described) : Double("sample object"), described_(described) {}

    Described described_;
};

// A sample object that sorts its properties into categories, reports their changes
// (IPropertyNotifySink) and counts their reads. Caption and BackColor go under Appearance (a
// predefined category it leaves to the list to name), Count and Ratio under its own "Numbers",
// Shown under none; the others it cannot place.
class CategorizedSample final
    : public doubles::Double<CategorizedSample, IDispatch, ICategorizeProperties, IConnectionPointContainer> {
public:
    static ole::ComPtr<CategorizedSample> Create() { return Make(); }
    std::span<const ole::InterfaceEntry> InterfaceTable() const noexcept;
    SampleObject& Inner() { return *inner_.Get(); }
    void Changed(DISPID id) { ole::NotifyPropertyChanged(changes_, id); }
    size_t SinkCount() const { return changes_.Sinks<IUnknown>().size(); }
    // Reads by member id since the last call.
    std::map<DISPID, size_t> TakeReads() { return std::exchange(reads_, {}); }

    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override { return inner_->GetTypeInfoCount(count); }
    IFACEMETHODIMP GetTypeInfo(UINT i, LCID lc, ITypeInfo** out) override { return inner_->GetTypeInfo(i, lc, out); }
    IFACEMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lc, DISPID* ids) override {
        return inner_->GetIDsOfNames(iid, names, count, lc, ids);
    }
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override {
        if (kind & DISPATCH_PROPERTYGET) ++reads_[id];
        return inner_->Invoke(id, iid, locale, kind, parameters, result, exception, argumentError);
    }
    IFACEMETHODIMP MapPropertyToCategory(DISPID id, PROPCAT* category) override;
    IFACEMETHODIMP GetCategoryName(PROPCAT category, LCID locale, BSTR* name) override;
    IFACEMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return Unexpected("EnumPoints"); }
    IFACEMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

private:
    friend Double;
    CategorizedSample() : Double("categorized sample") {}

    ole::ComPtr<SampleObject> inner_ = SampleObject::Create();
    ole::ConnectionPoint changes_{static_cast<IDispatch*>(this), IID_IPropertyNotifySink};
    std::map<DISPID, size_t> reads_;
};

}  // namespace proplist_tests
