// The demo host's own pieces: the sample record it inspects, the table it prints and the PNG
// file it writes.
#include "demo/control_host.h"
#include "demo/sample_record.h"
#include "demo/view_snapshot.h"

#include "ole/bstr.h"
#include "ole/late_bound.h"
#include "ole/module.h"
#include "ole/variant.h"

#include <gtest/gtest.h>
#include <wincodec.h>

#include <string>

namespace demo_tests {
namespace {

using ole::ComPtr;
using ole::Variant;

std::wstring TextOf(const Variant& value) { return demo::ValueText(value.Get()); }

std::wstring ErrorSource() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info) return L"(none)";
    BSTR source = nullptr;
    info->GetSource(&source);
    const ole::Bstr owned = ole::Bstr::Attach(source);
    return std::wstring(owned.View());
}

class SampleRecordTest : public testing::Test {
protected:
    void SetUp() override {
        live = ole::Module::ObjectCount();
        ASSERT_EQ(demo::CreateSampleRecord(record), S_OK);
    }

    long live = 0;
    ComPtr<IDispatch> record;
};

TEST_F(SampleRecordTest, LateBoundCallersReachEveryPropertyThroughTheTypeLibrary) {
    Variant value;
    ASSERT_EQ(ole::GetProperty(record.Get(), L"Title", value), S_OK);
    EXPECT_EQ(TextOf(value), L"Garden bench");
    ASSERT_EQ(ole::PutProperty(record.Get(), L"title", Variant(std::wstring_view(L"Swing")).Get()), S_OK);
    ASSERT_EQ(ole::GetProperty(record.Get(), L"Title", value), S_OK);
    EXPECT_EQ(TextOf(value), L"Swing");

    ASSERT_EQ(ole::GetProperty(record.Get(), L"Finish", value), S_OK);
    EXPECT_EQ(value.Type(), VT_I4) << "an enumeration travels as a long";
    ASSERT_EQ(ole::GetProperty(record.Get(), L"Colour", value), S_OK);
    EXPECT_EQ(value.Type(), VT_UI4) << "OLE_COLOR is an unsigned long";
    ASSERT_EQ(ole::GetProperty(record.Get(), L"Delivered", value), S_OK);
    EXPECT_EQ(TextOf(value), L"12/9/2025 12:00:00 PM");
    ASSERT_EQ(ole::GetProperty(record.Get(), L"InStock", value), S_OK);
    EXPECT_EQ(TextOf(value), L"True");
}

TEST_F(SampleRecordTest, ReadOnlyPropertiesRefuseAssignment) {
    EXPECT_EQ(ole::PutProperty(record.Get(), L"SerialNumber", Variant(LONG{1}).Get()), DISP_E_MEMBERNOTFOUND);
    EXPECT_TRUE(FAILED(ole::PutProperty(record.Get(), L"Object", Variant(record.Get()).Get())));
    Variant serial;
    ASSERT_EQ(ole::GetProperty(record.Get(), L"SerialNumber", serial), S_OK);
    EXPECT_EQ(V_I4(&serial.Get()), 40417);
}

TEST_F(SampleRecordTest, ARefusedValueRaisesError380AndKeepsTheOldValue) {
    EXPECT_EQ(ole::PutProperty(record.Get(), L"Quantity", Variant(LONG{-4}).Get()), ole::ControlErrorHResult(380));
    EXPECT_EQ(ErrorSource(), L"InspectaDemo.SampleRecord");
    Variant quantity;
    ASSERT_EQ(ole::GetProperty(record.Get(), L"Quantity", quantity), S_OK);
    EXPECT_EQ(V_I4(&quantity.Get()), 12);
    EXPECT_EQ(ole::PutProperty(record.Get(), L"Finish", Variant(LONG{7}).Get()), ole::ControlErrorHResult(380));
}

TEST_F(SampleRecordTest, ObjectAnswersTheRecordItselfAndSupplierIsAnotherRecord) {
    Variant self;
    ASSERT_EQ(ole::GetProperty(record.Get(), L"Object", self), S_OK);
    ASSERT_EQ(self.Type(), VT_DISPATCH);
    ComPtr<IUnknown> recordIdentity, selfIdentity;
    record->QueryInterface(IID_IUnknown, recordIdentity.PutVoid());
    V_DISPATCH(&self.Get())->QueryInterface(IID_IUnknown, selfIdentity.PutVoid());
    EXPECT_EQ(recordIdentity, selfIdentity);

    Variant supplier;
    ASSERT_EQ(ole::GetProperty(record.Get(), L"Supplier", supplier), S_OK);
    ASSERT_EQ(supplier.Type(), VT_DISPATCH);
    Variant title;
    ASSERT_EQ(ole::GetProperty(V_DISPATCH(&supplier.Get()), L"Title", title), S_OK);
    EXPECT_EQ(TextOf(title), L"Oak & Iron Ltd");
    Variant ofSupplier;
    ASSERT_EQ(ole::GetProperty(V_DISPATCH(&supplier.Get()), L"Supplier", ofSupplier), S_OK);
    EXPECT_EQ(TextOf(ofSupplier), L"(nothing)");
}

TEST_F(SampleRecordTest, RecordsDieWithTheirLastReference) {
    EXPECT_EQ(ole::Module::ObjectCount(), live + 2) << "the record and its supplier";
    ASSERT_EQ(ole::PutProperty(record.Get(), L"Supplier", Variant(static_cast<IDispatch*>(nullptr)).Get()), S_OK);
    EXPECT_EQ(ole::Module::ObjectCount(), live + 1) << "the replaced supplier is released";
    EXPECT_EQ(record.Reset(), 0u);
    EXPECT_EQ(ole::Module::ObjectCount(), live);
}

TEST(ItemTableTest, ValuesReadAsAUserExpectsThem) {
    EXPECT_EQ(demo::ValueText(Variant(true).Get()), L"True");
    EXPECT_EQ(demo::ValueText(Variant(LONG{-3}).Get()), L"-3");
    EXPECT_EQ(demo::ValueText(Variant(static_cast<IDispatch*>(nullptr)).Get()), L"(nothing)");
    EXPECT_EQ(demo::ValueText(Variant().Get()), L"(empty)");
    VARIANT price;
    VariantInit(&price);
    V_VT(&price) = VT_R8;
    V_R8(&price) = 149.5;
    EXPECT_EQ(demo::ValueText(price), L"149.5") << "a decimal point, whatever the user's locale";
}

TEST(ItemTableTest, ColumnsLineUpUnderTheirHeadings) {
    const std::vector<demo::ItemRow> rows{{L"Title", L"Garden bench", false, 1, true},
                                          {L"SerialNumber", L"40417", true, 2, false}};
    EXPECT_EQ(demo::FormatTable(rows),
              L"name          value         read-only  style  visible\n"
              L"------------  ------------  ---------  -----  -------\n"
              L"Title         Garden bench  no         1      yes\n"
              L"SerialNumber  40417         yes        2      no\n");
}

class PngFileTest : public testing::Test {
protected:
    void SetUp() override {
        wchar_t folder[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folder);
        path = std::wstring(folder) + L"inspecta_demo_test.png";
        DeleteFileW(path.c_str());
    }
    void TearDown() override { DeleteFileW(path.c_str()); }

    std::wstring path;
};

TEST_F(PngFileTest, PixelsSurviveTheRoundTrip) {
    demo::Snapshot snapshot{3, 2, {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF, 0x00000000, 0x00123456}};
    ASSERT_EQ(demo::SavePng(snapshot, path), S_OK);

    ComPtr<IWICImagingFactory> factory;
    ASSERT_EQ(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                               factory.PutVoid()),
              S_OK);
    ComPtr<IWICBitmapDecoder> decoder;
    ASSERT_EQ(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                 decoder.Put()),
              S_OK);
    GUID container{};
    ASSERT_EQ(decoder->GetContainerFormat(&container), S_OK);
    EXPECT_EQ(container, GUID_ContainerFormatPng);
    ComPtr<IWICBitmapFrameDecode> frame;
    ASSERT_EQ(decoder->GetFrame(0, frame.Put()), S_OK);
    ComPtr<IWICFormatConverter> converter;
    ASSERT_EQ(factory->CreateFormatConverter(converter.Put()), S_OK);
    ASSERT_EQ(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                    WICBitmapPaletteTypeCustom),
              S_OK);
    UINT width = 0, height = 0;
    ASSERT_EQ(converter->GetSize(&width, &height), S_OK);
    ASSERT_EQ(width, 3u);
    ASSERT_EQ(height, 2u);
    std::uint32_t read[6] = {};
    ASSERT_EQ(converter->CopyPixels(nullptr, 12, sizeof(read), reinterpret_cast<BYTE*>(read)), S_OK);
    for (size_t index = 0; index < 6; ++index) {
        EXPECT_EQ(read[index] & 0x00FFFFFF, snapshot.pixels[index]) << "pixel " << index;
    }
}

TEST_F(PngFileTest, ASnapshotThatDoesNotMatchItsSizeWritesNothing) {
    const demo::Snapshot wrong{4, 4, std::vector<std::uint32_t>(3)};
    EXPECT_EQ(demo::SavePng(wrong, path), E_INVALIDARG);
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace demo_tests
