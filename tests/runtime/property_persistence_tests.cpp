#include "ole/property_bag.h"
#include "ole/property_stream.h"

#include "ole/bstr.h"
#include "ole/class_factory.h"
#include "tests/runtime/test_control.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <cstring>
#include <random>
#include <vector>

namespace runtime_tests {
namespace {

using ole::ComPtr;
using ole::MemoryPropertyBag;
using ole::Variant;

std::vector<BYTE> StreamBytes(IStream* stream) {
    STATSTG status{};
    stream->Stat(&status, STATFLAG_NONAME);
    std::vector<BYTE> bytes(static_cast<size_t>(status.cbSize.QuadPart));
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    if (!bytes.empty()) stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    return bytes;
}

ComPtr<IStream> StreamOf(const std::vector<BYTE>& bytes) {
    ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    return stream;
}

ComPtr<IFontDisp> MakeFont(const wchar_t* name, LONG points, bool bold) {
    FONTDESC description{sizeof(FONTDESC), const_cast<LPOLESTR>(name), CY{{static_cast<ULONG>(points * 10000), 0}},
                         static_cast<SHORT>(bold ? FW_BOLD : FW_NORMAL), ANSI_CHARSET, FALSE, FALSE, FALSE};
    ComPtr<IFontDisp> font;
    EXPECT_EQ(OleCreateFontIndirect(&description, IID_IFontDisp, font.PutVoid()), S_OK);
    return font;
}

// The binary form of a control's properties, as stream and storage persistence keep it.
class PropertyStreamTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ole::MakeObject(bag), S_OK);
        Put(L"Flag", Variant(VARIANT_TRUE));
        Put(L"Number", Variant(LONG{-123456}));
        Put(L"Text", Variant(std::wstring_view(L"h\u00e9llo")));
        VARIANT real;
        V_VT(&real) = VT_R8;
        V_R8(&real) = 2.5;
        ASSERT_EQ(bag->Write(L"Real", &real), S_OK);
        font = MakeFont(L"Arial", 12, true);
        Put(L"Font", Variant(static_cast<IDispatch*>(font.Get())));
        ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
        ASSERT_EQ(ole::SavePropertyBag(*bag.Get(), stream.Get()), S_OK);
        saved = StreamBytes(stream.Get());
    }

    void Put(const wchar_t* name, const Variant& value) {
        ASSERT_EQ(bag->Write(name, const_cast<VARIANT*>(&value.Get())), S_OK);
    }

    ComPtr<MemoryPropertyBag> bag;
    ComPtr<IFontDisp> font;
    ComPtr<IStream> stream;
    std::vector<BYTE> saved;
};

TEST_F(PropertyStreamTest, EveryKindOfValueSurvivesTheRoundTripAsItWasAtSaveTime) {
    ComPtr<IFont> original;
    ASSERT_EQ(font.As(&original), S_OK);
    ASSERT_EQ(original->put_Size(CY{{200000, 0}}), S_OK);
    // Data of the container after ours stays where it is.
    std::vector<BYTE> withTrailer = saved;
    withTrailer.insert(withTrailer.end(), {0xAB, 0xCD});
    ComPtr<IStream> input = StreamOf(withTrailer);
    ComPtr<MemoryPropertyBag> loaded;
    ASSERT_EQ(ole::LoadPropertyBag(input.Get(), loaded), S_OK);
    ULARGE_INTEGER position{};
    input->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &position);
    EXPECT_EQ(position.QuadPart, saved.size());

    const Variant none;
    Variant value;
    ASSERT_EQ(ole::ReadBagValue(loaded.Get(), L"flag", VT_BOOL, none.Get(), value), S_OK);
    EXPECT_EQ(V_BOOL(&value.Get()), VARIANT_TRUE);
    ASSERT_EQ(ole::ReadBagValue(loaded.Get(), L"Number", VT_I4, none.Get(), value), S_OK);
    EXPECT_EQ(V_I4(&value.Get()), -123456);
    ASSERT_EQ(ole::ReadBagValue(loaded.Get(), L"Text", VT_BSTR, none.Get(), value), S_OK);
    EXPECT_STREQ(V_BSTR(&value.Get()), L"h\u00e9llo");
    ASSERT_EQ(ole::ReadBagValue(loaded.Get(), L"Real", VT_R8, none.Get(), value), S_OK);
    EXPECT_EQ(V_R8(&value.Get()), 2.5);
    ASSERT_EQ(ole::ReadBagValue(loaded.Get(), L"Font", VT_DISPATCH, none.Get(), value), S_OK);
    ComPtr<IFont> restored;
    ASSERT_EQ(V_DISPATCH(&value.Get())->QueryInterface(IID_IFont, restored.PutVoid()), S_OK);
    EXPECT_NE(static_cast<void*>(restored.Get()), static_cast<void*>(original.Get())) << "a new font";
    ole::Bstr name, originalName;
    ASSERT_EQ(restored->get_Name(name.Out()), S_OK);
    ASSERT_EQ(original->get_Name(originalName.Out()), S_OK);
    EXPECT_EQ(std::wstring(name.View()), std::wstring(originalName.View()));
    CY size{};
    ASSERT_EQ(restored->get_Size(&size), S_OK);
    EXPECT_EQ(size.int64, 120000) << "12 points, as saved";

    // Absent names take the default; a value that does not convert is a type mismatch.
    const Variant fallback(LONG{99});
    ASSERT_EQ(ole::ReadBagValue(loaded.Get(), L"Missing", VT_I4, fallback.Get(), value), S_OK);
    EXPECT_EQ(V_I4(&value.Get()), 99);
    EXPECT_EQ(ole::ReadBagValue(loaded.Get(), L"Text", VT_I4, none.Get(), value), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ole::ReadBagValue(loaded.Get(), L"Text", VT_DISPATCH, none.Get(), value), DISP_E_TYPEMISMATCH);
}

TEST_F(PropertyStreamTest, TruncatedCorruptedAndForeignStreamsFailCleanly) {
    auto load = [](std::vector<BYTE> bytes) {
        ComPtr<IStream> input = StreamOf(bytes);
        ComPtr<MemoryPropertyBag> loaded;
        const HRESULT hr = ole::LoadPropertyBag(input.Get(), loaded);
        EXPECT_EQ(FAILED(hr), !loaded);
        return hr;
    };
    for (size_t length = 0; length < saved.size(); ++length) {
        EXPECT_TRUE(FAILED(load(std::vector<BYTE>(saved.begin(), saved.begin() + length)))) << "cut at " << length;
    }
    auto patched = [&](size_t offset, DWORD value) {
        std::vector<BYTE> bytes = saved;
        std::memcpy(&bytes[offset], &value, sizeof(value));
        return bytes;
    };
    std::vector<BYTE> newer = saved;
    newer[4] = 2;
    EXPECT_EQ(load(newer), STG_E_INVALIDHEADER);
    std::vector<BYTE> foreign = saved;
    foreign[0] ^= 0xFF;
    EXPECT_EQ(load(foreign), STG_E_INVALIDHEADER);
    EXPECT_EQ(load(patched(8, 0xFFFFFFF0)), STG_E_DOCFILECORRUPT) << "huge payload length";
    EXPECT_EQ(load(patched(8, static_cast<DWORD>(saved.size()))), STG_E_READFAULT) << "payload past the end";
    EXPECT_EQ(load(patched(12, 0x7FFFFFFF)), STG_E_DOCFILECORRUPT) << "huge entry count";
    EXPECT_EQ(load(patched(16, 0x7FFFFFFF)), STG_E_DOCFILECORRUPT) << "huge name length";
    // The first entry is "Flag": name length, 4 characters, then its type.
    std::vector<BYTE> wrongType = saved;
    wrongType[16 + 4 + 8] = 0x42;  // no such VARTYPE
    EXPECT_EQ(load(wrongType), STG_E_DOCFILECORRUPT);
    std::vector<BYTE> shortPayload = patched(8, static_cast<DWORD>(saved.size() - 12 - 1));
    EXPECT_EQ(load(shortPayload), STG_E_DOCFILECORRUPT) << "payload shorter than its content";

    std::mt19937 random(4242);
    for (int round = 0; round < 300; ++round) {
        std::vector<BYTE> bytes = saved;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < flips; ++i) bytes[12 + random() % (bytes.size() - 12)] = static_cast<BYTE>(random());
        load(bytes);  // may load or fail; it must not crash or leak
        std::vector<BYTE> noise(random() % 64);
        for (BYTE& b : noise) b = static_cast<BYTE>(random());
        EXPECT_TRUE(FAILED(load(noise)));
    }
}

TEST_F(PropertyStreamTest, SavedObjectsOfUnlistedClassesAreNeverCreated) {
    MemoryPropertyBag::Entry hostile;
    hostile.name = L"Payload";
    hostile.isObject = true;
    hostile.objectClass = CLSID_TestControl;
    ComPtr<MemoryPropertyBag> crafted;
    ASSERT_EQ(ole::MakeObject(crafted), S_OK);
    ASSERT_EQ(crafted->Add(std::move(hostile)), S_OK);
    ComPtr<IStream> output;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, output.Put()), S_OK);
    ASSERT_EQ(ole::SavePropertyBag(*crafted.Get(), output.Get()), S_OK);

    // The class is creatable in this process; loading must still not create it.
    ComPtr<IClassFactory> factory;
    const ole::ServedClass served[] = {{&CLSID_TestControl, &ole::CreateInstanceOf<TestControl>}};
    ASSERT_EQ(ole::GetClassObject(served, CLSID_TestControl, IID_IClassFactory, factory.PutVoid()), S_OK);
    DWORD registration = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_TestControl, factory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &registration),
              S_OK);
    ComPtr<IStream> input = StreamOf(StreamBytes(output.Get()));
    ComPtr<MemoryPropertyBag> loaded;
    ASSERT_EQ(ole::LoadPropertyBag(input.Get(), loaded), S_OK);
    const long live = ole::Module::ObjectCount();
    const Variant none;
    Variant value;
    EXPECT_EQ(ole::ReadBagValue(loaded.Get(), L"Payload", VT_DISPATCH, none.Get(), value), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ole::Module::ObjectCount(), live);
    CoRevokeClassObject(registration);
}

// A container's text bag: every value comes back as a string, whatever was asked.
class TextBag final : public IPropertyBag {
public:
    IFACEMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    IFACEMETHODIMP_(ULONG) AddRef() override { return 2; }
    IFACEMETHODIMP_(ULONG) Release() override { return 1; }
    IFACEMETHODIMP Read(LPCOLESTR, VARIANT* value, IErrorLog*) override {
        V_VT(value) = VT_BSTR;
        V_BSTR(value) = SysAllocString(L"-1");
        return S_OK;
    }
    IFACEMETHODIMP Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }
};

TEST(TextBagTest, ValuesHandedBackAsStringsAreConvertedAsAsked) {
    TextBag bag;
    const Variant none;
    Variant value;
    ASSERT_EQ(ole::ReadBagValue(&bag, L"Flag", VT_BOOL, none.Get(), value), S_OK);
    ASSERT_EQ(value.Type(), VT_BOOL);
    EXPECT_EQ(V_BOOL(&value.Get()), VARIANT_TRUE);
}

}  // namespace
}  // namespace runtime_tests
