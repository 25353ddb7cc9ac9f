#pragma once

#include "ole/connection_point.h"
#include "proplist/categorize_properties.h"
#include "tests/doubles/test_double.h"

#include <ocidl.h>

#include <map>
#include <string_view>

namespace proplist_tests {

// A type of the sample library, made at run time: ISample is dual, Sample its class; DSample and DFrame
// are dispinterfaces, DFrame's one property of an enumeration whose first constant is documented.
ole::ComPtr<ITypeInfo> SampleTypeInfo(std::wstring_view name);

// An object of ISample, which answers Invoke itself. Count keeps what is written to it and the others
// forget it; Child reads as the test sets it, and Values cannot be read.
class SampleObject final : public doubles::Double<SampleObject, IDispatch, IProvideClassInfo, ICategorizeProperties,
                                                  IConnectionPointContainer> {
public:
    // How it offers its type information: by IDispatch, only by IProvideClassInfo, or as its class by IDispatch.
    // Categorized sorts its properties into categories and reports their changes (IPropertyNotifySink):
    // Caption and BackColor under Appearance (which the list names), Count and Ratio under its own
    // "Numbers", Shown under none; the others it cannot place.
    enum class Kind { ByDispatch, ByClassInfo, ByClassOfDispatch, Categorized };
    static ole::ComPtr<SampleObject> Create(Kind kind = Kind::ByDispatch) { return Make(kind); }
    std::span<const ole::InterfaceEntry> InterfaceTable() const noexcept;

    LONG count = 3;
    ole::ComPtr<IDispatch> child;
    VARTYPE malformedAnything = VT_EMPTY;  // else Anything reads as this type, with no payload
    const wchar_t* numbers = L"Numbers";    // the name of Count's and Ratio's category
    std::map<DISPID, size_t> reads;        // by member id

    void Changed(DISPID id) { ole::NotifyPropertyChanged(changes_, id); }
    size_t SinkCount() const { return changes_.Sinks<IUnknown>().size(); }
    std::map<DISPID, size_t> TakeReads() { return std::exchange(reads, {}); }

    IFACEMETHODIMP GetTypeInfoCount(UINT* infos) override { return *infos = kind_ == Kind::ByClassInfo ? 0 : 1, S_OK; }
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT named, LCID, DISPID* ids) override {
        return SampleTypeInfo(L"ISample")->GetIDsOfNames(names, named, ids);
    }
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override;
    IFACEMETHODIMP GetClassInfo(ITypeInfo** info) override { return SampleTypeInfo(L"Sample").CopyTo(info); }
    IFACEMETHODIMP MapPropertyToCategory(DISPID id, PROPCAT* category) override;
    IFACEMETHODIMP GetCategoryName(PROPCAT category, LCID locale, BSTR* name) override;
    IFACEMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return Unexpected("EnumPoints"); }
    IFACEMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        if (iid == IID_IPropertyNotifySink) return ole::ComPtr<IConnectionPoint>(&changes_).CopyTo(point);
        return *point = nullptr, CONNECT_E_NOCONNECTION;
    }

private:
    friend Double;
    explicit SampleObject(Kind kind) : Double("sample object"), kind_(kind) {}

    Kind kind_;
    ole::ConnectionPoint changes_{static_cast<IDispatch*>(this), IID_IPropertyNotifySink};
};

}  // namespace proplist_tests
