#include "demo/sample_record.h"

#include "demo/sample_values.h"

#include "ole/com_enumerator.h"
#include "ole/error_info.h"

#include <olectl.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace demo {

namespace {

constexpr wchar_t kSource[] = L"InspectaDemo.SampleRecord";

enum RecordMember : DISPID {
    kTitle = 1, kQuantity, kPrice, kInStock, kFinish, kColour, kDelivered, kSerialNumber, kCreated, kSupplier,
    kObject, kFont, kCounter,
};

enum RecordCategory : PROPCAT { kIdentity = 1, kStock, kDates };

struct CategoryOf {
    DISPID member;
    PROPCAT category;
};
constexpr CategoryOf kCategories[] = {
    {kTitle, kIdentity}, {kSerialNumber, kIdentity}, {kQuantity, kStock}, {kPrice, kStock},
    {kInStock, kStock}, {kFinish, PROPCAT_Appearance}, {kColour, PROPCAT_Appearance},
    {kFont, PROPCAT_Appearance}, {kDelivered, kDates}, {kCreated, kDates},
};

// What VB calls an invalid property value, with this object as its source.
HRESULT RefuseValue(const wchar_t* description) noexcept {
    ole::PublishErrorInfo(kSource, description, nullptr, 0, IID_ISampleRecord);
    return ole::ControlErrorHResult(380);
}

// The font the system writes its messages in, at its size; Tahoma 9 pt where it cannot say.
HRESULT CreateMessageFont(ole::ComPtr<IFontDisp>& font) noexcept {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    FONTDESC description{sizeof(FONTDESC), const_cast<LPOLESTR>(L"Tahoma"), {}, FW_NORMAL, DEFAULT_CHARSET,
                         FALSE, FALSE, FALSE};
    description.cySize.int64 = 9 * 10000;  // points, fixed to four decimals
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0) &&
        metrics.lfMessageFont.lfFaceName[0] && metrics.lfMessageFont.lfHeight != 0) {
        const HDC screen = GetDC(nullptr);
        const int pixelsPerInch = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        description.lpstrName = metrics.lfMessageFont.lfFaceName;
        description.cySize.int64 = std::llabs(metrics.lfMessageFont.lfHeight) * 72 * 10000 / pixelsPerInch;
    }
    return OleCreateFontIndirect(&description, IID_IFontDisp, font.PutVoid());
}

}  // namespace

std::span<const ole::InterfaceEntry> SampleRecord::InterfaceTable() noexcept {
    static constexpr std::array<ole::InterfaceEntry, 4> table{
        ole::Implements<SampleRecord, ISampleRecord>(),
        ole::Implements<SampleRecord, IDispatch, ISampleRecord>(),
        ole::Implements<SampleRecord, IConnectionPointContainer>(),
        ole::Implements<SampleRecord, ICategorizeProperties>(),
    };
    return table;
}

SampleRecord::~SampleRecord() {
    fontChanges_.Disconnect();
    if (ownSupplier_) ownSupplier_->SetCustomer(nullptr);
}

HRESULT SampleRecord::FinalConstruct() noexcept {
    RETURN_IF_FAILED(ole::MakeObject(ownSupplier_));
    ownSupplier_->SetCustomer(this);
    RETURN_IF_FAILED(ownSupplier_->QueryInterface(IID_IDispatch, supplier_.PutVoid()));
    ole::ComPtr<IFontDisp> font;
    RETURN_IF_FAILED(CreateMessageFont(font));
    return SetFont(std::move(font));
}

void SampleRecord::Tick() noexcept {
    ++counter_;
    NotifyPropertyChanged(propertyNotify_, kCounter);
}

IFACEMETHODIMP SampleRecord::get_Title(BSTR* value) { return StoreText(title_, value); }

IFACEMETHODIMP SampleRecord::put_Title(BSTR value) {
    std::wstring title;
    RETURN_IF_FAILED(AssignText(value, title));
    return ole::Guarded([&] { return Change(title_, title, kTitle); });
}

IFACEMETHODIMP SampleRecord::get_Quantity(LONG* value) { return Store(quantity_, value); }

IFACEMETHODIMP SampleRecord::put_Quantity(LONG value) {
    if (value < 0) return RefuseValue(L"A quantity cannot be negative.");
    return Change(quantity_, value, kQuantity);
}

IFACEMETHODIMP SampleRecord::get_Price(double* value) { return Store(price_, value); }

IFACEMETHODIMP SampleRecord::put_Price(double value) {
    if (!std::isfinite(value) || value < 0) return RefuseValue(L"A price is a number of zero or more.");
    return Change(price_, value, kPrice);
}

IFACEMETHODIMP SampleRecord::get_InStock(VARIANT_BOOL* value) { return Store(inStock_, value); }

IFACEMETHODIMP SampleRecord::put_InStock(VARIANT_BOOL value) {
    return Change(inStock_, value ? VARIANT_TRUE : VARIANT_FALSE, kInStock);
}

IFACEMETHODIMP SampleRecord::get_Finish(SurfaceFinish* value) { return Store(finish_, value); }

IFACEMETHODIMP SampleRecord::put_Finish(SurfaceFinish value) {
    if (value != FinishMatte && value != FinishSatin && value != FinishGloss) {
        return RefuseValue(L"The finish is Matte (0), Satin (1) or Gloss (2).");
    }
    return Change(finish_, value, kFinish);
}

IFACEMETHODIMP SampleRecord::get_Colour(OLE_COLOR* value) { return Store(colour_, value); }
IFACEMETHODIMP SampleRecord::put_Colour(OLE_COLOR value) { return Change(colour_, value, kColour); }
IFACEMETHODIMP SampleRecord::get_Delivered(DATE* value) { return Store(delivered_, value); }
IFACEMETHODIMP SampleRecord::put_Delivered(DATE value) { return Change(delivered_, value, kDelivered); }
IFACEMETHODIMP SampleRecord::get_SerialNumber(LONG* value) { return Store(serialNumber_, value); }
IFACEMETHODIMP SampleRecord::get_Created(DATE* value) { return Store(created_, value); }
IFACEMETHODIMP SampleRecord::get_Counter(LONG* value) { return Store(counter_, value); }

IFACEMETHODIMP SampleRecord::get_Supplier(IDispatch** value) {
    if (!value) return E_POINTER;
    return supplier_.CopyTo(value);
}

IFACEMETHODIMP SampleRecord::putref_Supplier(IDispatch* value) {
    if (supplier_.Get() == value) return S_OK;
    // The old supplier goes only after the field no longer names it.
    ole::ComPtr<IDispatch> previous = std::exchange(supplier_, ole::ComPtr<IDispatch>(value));
    NotifyPropertyChanged(propertyNotify_, kSupplier);
    return S_OK;
}

IFACEMETHODIMP SampleRecord::get_Object(IDispatch** value) {
    if (!value) return E_POINTER;
    return QueryInterface(IID_IDispatch, reinterpret_cast<void**>(value));
}

IFACEMETHODIMP SampleRecord::get_Font(IFontDisp** value) {
    if (!value) return E_POINTER;
    return font_.CopyTo(value);
}

IFACEMETHODIMP SampleRecord::putref_Font(IFontDisp* value) {
    if (!value) return RefuseValue(L"The label needs a font.");
    if (font_.Get() == value) return S_OK;
    RETURN_IF_FAILED(SetFont(ole::ComPtr<IFontDisp>(value)));
    NotifyPropertyChanged(propertyNotify_, kFont);
    return S_OK;
}

// A font changed in place (its size set through the record's Font) is a change of the record's
// Font too, as a control's font is.
HRESULT SampleRecord::SetFont(ole::ComPtr<IFontDisp> font) noexcept {
    ole::ComPtr<IFontDisp> previous = std::exchange(font_, std::move(font));
    return fontChanges_.Connect(font_.Get(), [this](DISPID) { NotifyPropertyChanged(propertyNotify_, kFont); });
}

IFACEMETHODIMP SampleRecord::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (!points) return E_POINTER;
    *points = nullptr;
    return ole::Guarded([&]() -> HRESULT {
        std::vector<ole::ComPtr<IConnectionPoint>> all{ole::ComPtr<IConnectionPoint>(&propertyNotify_)};
        return ole::ComEnumerator<IEnumConnectionPoints, ole::InterfaceEnumeration<IConnectionPoint>>::Create(
            std::move(all), points);
    });
}

IFACEMETHODIMP SampleRecord::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != IID_IPropertyNotifySink) return CONNECT_E_NOCONNECTION;
    return ole::ComPtr<IConnectionPoint>(&propertyNotify_).CopyTo(point);
}

IFACEMETHODIMP SampleRecord::MapPropertyToCategory(DISPID id, PROPCAT* category) {
    if (!category) return E_POINTER;
    *category = PROPCAT_Misc;
    for (const CategoryOf& entry : kCategories) {
        if (entry.member == id) *category = entry.category;
    }
    return S_OK;
}

// The browser names the categories every object shares (Appearance, Misc); the record names its own.
IFACEMETHODIMP SampleRecord::GetCategoryName(PROPCAT category, LCID, BSTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    switch (category) {
    case kIdentity: return StoreText(L"Identity", name);
    case kStock: return StoreText(L"Stock", name);
    case kDates: return StoreText(L"Dates", name);
    default: return E_INVALIDARG;
    }
}

HRESULT CreateSampleRecord(ole::ComPtr<SampleRecord>& record) noexcept { return ole::MakeObject(record); }

HRESULT CreateSampleRecord(ole::ComPtr<IDispatch>& record) noexcept {
    record.Reset();
    ole::ComPtr<SampleRecord> made;
    RETURN_IF_FAILED(CreateSampleRecord(made));
    return made->QueryInterface(IID_IDispatch, record.PutVoid());
}

}  // namespace demo
