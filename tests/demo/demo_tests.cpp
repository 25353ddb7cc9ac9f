// The demo host's own pieces: the sample record it inspects, the table it prints, the PNG it writes.
#include "demo/control_host.h"
#include "demo/sample_record.h"
#include "demo/view_snapshot.h"

#include "ole/error_info.h"
#include "ole/late_bound.h"
#include "ole/module.h"
#include "ole/variant.h"
#include "tests/support/com_helpers.h"

#include <gtest/gtest.h>
#include <wincodec.h>

namespace {

using ole::ComPtr;
using ole::Variant;

// A refused value raises error 380 from the record and keeps the old one; the record and its
// supplier die with their last references.
TEST(SampleRecordTest, RefusedValuesRaise380AndTheRecordDiesWithItsLastReference) {
    const long live = ole::Module::ObjectCount();
    ComPtr<IDispatch> record;
    ASSERT_EQ(demo::CreateSampleRecord(record), S_OK);
    EXPECT_EQ(ole::Module::ObjectCount(), live + 2) << "the record and its supplier";
    Variant before, after;
    ASSERT_EQ(ole::GetProperty(record.Get(), L"Quantity", before), S_OK);
    EXPECT_EQ(ole::PutProperty(record.Get(), L"Quantity", Variant(LONG{-4}).Get()), ole::ControlErrorHResult(380));
    EXPECT_EQ(support::TakeErrorInfo().source, L"InspectaDemo.SampleRecord");
    EXPECT_EQ(ole::PutProperty(record.Get(), L"Finish", Variant(LONG{7}).Get()), ole::ControlErrorHResult(380));
    ASSERT_EQ(ole::GetProperty(record.Get(), L"Quantity", after), S_OK);
    EXPECT_EQ(demo::ValueText(after.Get()), demo::ValueText(before.Get()));
    ASSERT_EQ(ole::PutProperty(record.Get(), L"Supplier", Variant(static_cast<IDispatch*>(nullptr)).Get()), S_OK);
    EXPECT_EQ(ole::Module::ObjectCount(), live + 1) << "the replaced supplier is released";
    EXPECT_EQ(record.Reset(), 0u);
    EXPECT_EQ(ole::Module::ObjectCount(), live);
}

// Values read as a user expects them whatever the locale, in columns under their headings.
TEST(ItemTableTest, ValuesLineUpUnderTheirHeadingsInUsEnglish) {
    VARIANT price{}, delivered{};
    V_VT(&price) = VT_R8;
    V_R8(&price) = 149.5;
    V_VT(&delivered) = VT_DATE;
    V_DATE(&delivered) = 46000.5;
    const std::vector<demo::ItemRow> rows{
        {L"Price", demo::ValueText(price), false, 1, true},
        {L"Delivered", demo::ValueText(delivered), true, 22, false},
        {L"Supplier", demo::ValueText(Variant(static_cast<IDispatch*>(nullptr)).Get()), false, 0, true},
        {L"Empty", demo::ValueText(Variant().Get()) + L" " + demo::ValueText(Variant(true).Get()), false, 0, true}};
    EXPECT_EQ(demo::FormatTable(rows),
              L"name       value                  read-only  style  visible\n"
              L"---------  ---------------------  ---------  -----  -------\n"
              L"Price      149.5                  no         1      yes\n"
              L"Delivered  12/9/2025 12:00:00 PM  yes        22     no\n"
              L"Supplier   (nothing)              no         0      yes\n"
              L"Empty      (empty) True           no         0      yes\n");
}

TEST(PngFileTest, PixelsSurviveTheRoundTripAndAMismatchedSnapshotWritesNothing) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"inspecta_demo_test.png";
    const demo::Snapshot snapshot{3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x123456}};
    ASSERT_EQ(demo::SavePng(snapshot, path), S_OK);
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICBitmapSource> converted;
    GUID format{};
    std::vector<std::uint32_t> read(6);
    ASSERT_EQ(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                               factory.PutVoid()), S_OK);
    ASSERT_EQ(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                 decoder.Put()), S_OK);
    ASSERT_EQ(decoder->GetContainerFormat(&format), S_OK);
    EXPECT_EQ(format, GUID_ContainerFormatPng);
    ASSERT_EQ(decoder->GetFrame(0, frame.Put()), S_OK);
    ASSERT_EQ(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame.Get(), converted.Put()), S_OK);
    ASSERT_EQ(converted->CopyPixels(nullptr, 12, 24, reinterpret_cast<BYTE*>(read.data())), S_OK);
    for (std::uint32_t& pixel : read) pixel &= 0xFFFFFF;
    EXPECT_EQ(read, snapshot.pixels);
    converted.Reset();
    frame.Reset();
    decoder.Reset();
    DeleteFileW(path.c_str());
    EXPECT_EQ(demo::SavePng({4, 4, std::vector<std::uint32_t>(3)}, path), E_INVALIDARG);
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
