// The library's resources in both builds: which there are, with their ids and languages, and
// the formats and bytes that hosts and containers read.
#include "built_libraries.h"
#include "ole/bstr.h"
#include "ole/com_ptr.h"
#include "typelib/control_interface.h"
#include "typelib/resource_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

namespace typelib_tests {
namespace {

constexpr WORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
constexpr WORD kBritishEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK);
constexpr WORD kUsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

std::wstring ResourceName(const wchar_t* name) {
    return IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : std::wstring(name);
}

std::set<std::wstring> Inventory(HMODULE module) {
    struct Walk {
        static BOOL CALLBACK Language(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR found) {
            wchar_t hex[8];
            std::swprintf(hex, 8, L"%04x", language);
            reinterpret_cast<std::set<std::wstring>*>(found)->insert(ResourceName(type) + L"/" + ResourceName(name) +
                                                                     L"/" + hex);
            return TRUE;
        }
        static BOOL CALLBACK Name(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR found) {
            EnumResourceLanguagesW(module, type, name, Language, found);
            return TRUE;
        }
        static BOOL CALLBACK Type(HMODULE module, LPWSTR type, LONG_PTR found) {
            EnumResourceNamesW(module, type, Name, found);
            return TRUE;
        }
    };
    std::set<std::wstring> found;
    EnumResourceTypesW(module, Walk::Type, reinterpret_cast<LONG_PTR>(&found));
    return found;
}

// One node of a version resource: key, value and children.
struct VersionNode {
    std::wstring key;
    const BYTE* value = nullptr;
    WORD valueLength = 0;
    WORD type = 0;
    std::vector<VersionNode> children;

    std::wstring Text() const {
        const auto* text = reinterpret_cast<const wchar_t*>(value);
        std::wstring result(text, valueLength);
        while (!result.empty() && result.back() == L'\0') result.pop_back();
        return result;
    }
};

size_t Align4(size_t offset) { return (offset + 3) & ~size_t{3}; }

VersionNode ParseVersion(const BYTE* node) {
    VersionNode parsed;
    WORD length = 0;
    std::memcpy(&length, node, 2);
    std::memcpy(&parsed.valueLength, node + 2, 2);
    std::memcpy(&parsed.type, node + 4, 2);
    parsed.key = reinterpret_cast<const wchar_t*>(node + 6);
    size_t offset = Align4(6 + (parsed.key.size() + 1) * sizeof(wchar_t));
    parsed.value = node + offset;
    offset = Align4(offset + parsed.valueLength * (parsed.type == 1 ? sizeof(wchar_t) : 1));
    while (offset < length) {
        WORD childLength = 0;
        std::memcpy(&childLength, node + offset, 2);
        if (childLength == 0) break;
        parsed.children.push_back(ParseVersion(node + offset));
        offset = Align4(offset + childLength);
    }
    return parsed;
}

// The colour of a pixel of a 4-bit, bottom-up DIB with its palette, as 0xRRGGBB.
DWORD PixelColour(const BYTE* dib, int x, int y) {
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
    const auto* palette = reinterpret_cast<const RGBQUAD*>(dib + header->biSize);
    const BYTE* bits = dib + header->biSize + 16 * sizeof(RGBQUAD);
    const int rowBytes = ((header->biWidth * 4 + 31) / 32) * 4;
    const int imageHeight = header->biHeight == 64 ? 32 : header->biHeight;
    const BYTE pair = bits[(imageHeight - 1 - y) * rowBytes + x / 2];
    const RGBQUAD colour = palette[x % 2 ? pair & 0x0F : pair >> 4];
    return static_cast<DWORD>(colour.rgbRed) << 16 | static_cast<DWORD>(colour.rgbGreen) << 8 | colour.rgbBlue;
}

class LibraryResourceTest : public testing::TestWithParam<Build> {
protected:
    void SetUp() override { ASSERT_NE(resources.Handle(), nullptr) << "the build's library is missing"; }

    ResourceModule resources{GetParam()};
};

TEST_P(LibraryResourceTest, EveryResourceWithItsIdAndLanguage) {
    const std::set<std::wstring> expected = {
        L"#1/#1/0809",              // the hand cursor's image
        L"#2/#30000/0000",          // the toolbox bitmap
        L"#2/COMPANYLOGO/0809",
        L"#3/#1/0809",              // the product icon's image
        L"#6/#619/0809",            // strings 9901 to 9903
        L"#12/#9910/0809",          // the hand cursor
        L"#14/PRODUCTICON/0809",
        L"#16/#1/0409",             // the version block
        L"TYPELIB/#1/0000",
        L"_IID_INSPECTA/#1/0000",
        L"_SRCIID_INSPECTA/#1/0000",
    };
    EXPECT_EQ(Inventory(resources.Handle()), expected);
    EXPECT_EQ(IDB_TOOLBOX, 30000);
}

TEST_P(LibraryResourceTest, InterfaceIdentifierResourcesHoldSixteenThenTheGuid) {
    struct Expected {
        const wchar_t* type;
        const IID* iid;
    };
    for (const Expected& expected : {Expected{L"_IID_INSPECTA", &IID__Inspecta}, Expected{L"_SRCIID_INSPECTA", &DIID___Inspecta}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(expected.type)));
        const ResourceModule::Data data = resources.Find(expected.type, MAKEINTRESOURCEW(1), kNeutral);
        ASSERT_EQ(data.size, 20u);
        const BYTE sixteen[4] = {16, 0, 0, 0};
        EXPECT_EQ(std::memcmp(data.bytes, sixteen, 4), 0);
        EXPECT_EQ(std::memcmp(data.bytes + 4, expected.iid, 16), 0);
    }
    // The standard layout, spelled out once: Data1, Data2, Data3 little-endian, then the bytes.
    const BYTE inspecta[16] = {0xd5, 0x07, 0x7d, 0x1f, 0x79, 0x3f, 0xd8, 0x4b,
                               0xb7, 0x07, 0x47, 0x43, 0x34, 0x1f, 0xaf, 0x61};
    const ResourceModule::Data data = resources.Find(L"_IID_INSPECTA", MAKEINTRESOURCEW(1), kNeutral);
    ASSERT_EQ(data.size, 20u);
    EXPECT_EQ(std::memcmp(data.bytes + 4, inspecta, 16), 0);
}

TEST_P(LibraryResourceTest, TypeLibraryResourceIsThisBuildsLibrary) {
    const ResourceModule::Data data = resources.Find(L"TYPELIB", MAKEINTRESOURCEW(1), kNeutral);
    ASSERT_GE(data.size, 48u);
    EXPECT_EQ(std::memcmp(data.bytes, "MSFT", 4), 0);
    DWORD flags = 0;
    std::memcpy(&flags, data.bytes + 5 * 4, 4);
    EXPECT_EQ(flags & 0x0F, static_cast<DWORD>(GetParam().system));
}

TEST_P(LibraryResourceTest, ToolboxBitmapIs16By15With16UncompressedColours) {
    const ResourceModule::Data data = resources.Find(RT_BITMAP, MAKEINTRESOURCEW(IDB_TOOLBOX), kNeutral);
    ASSERT_EQ(data.size, 40u + 16 * 4 + 15 * 8);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(data.bytes);
    EXPECT_EQ(header->biSize, 40u);
    EXPECT_EQ(header->biWidth, 16);
    EXPECT_EQ(header->biHeight, 15);
    EXPECT_EQ(header->biPlanes, 1);
    EXPECT_EQ(header->biBitCount, 4);
    EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_TRUE(header->biClrUsed == 0 || header->biClrUsed == 16);
    // Magenta around, a white list, a black plus on the grey button at the lower right.
    EXPECT_EQ(PixelColour(data.bytes, 0, 0), 0xFF00FFu);
    EXPECT_EQ(PixelColour(data.bytes, 0, 14), 0xFF00FFu);
    EXPECT_EQ(PixelColour(data.bytes, 2, 2), 0xFFFFFFu);
    EXPECT_EQ(PixelColour(data.bytes, 3, 3), 0x000000u);
    EXPECT_EQ(PixelColour(data.bytes, 12, 11), 0x000000u);
    EXPECT_EQ(PixelColour(data.bytes, 10, 9), 0xC0C0C0u);
}

TEST_P(LibraryResourceTest, ProductIconIs32By32With16ColoursAndAMask) {
    const ResourceModule::Data group = resources.Find(RT_GROUP_ICON, L"PRODUCTICON", kBritishEnglish);
    ASSERT_EQ(group.size, 6u + 14u);
    WORD directory[3];
    std::memcpy(directory, group.bytes, sizeof directory);
    EXPECT_EQ(directory[0], 0);
    EXPECT_EQ(directory[1], 1);  // icons, not cursors
    EXPECT_EQ(directory[2], 1);
    const BYTE* entry = group.bytes + 6;
    EXPECT_EQ(entry[0], 32);
    EXPECT_EQ(entry[1], 64);
    EXPECT_EQ(entry[2], 16);
    WORD planes = 0, bitCount = 0, id = 0;
    DWORD bytes = 0;
    std::memcpy(&planes, entry + 4, 2);
    std::memcpy(&bitCount, entry + 6, 2);
    std::memcpy(&bytes, entry + 8, 4);
    std::memcpy(&id, entry + 12, 2);
    EXPECT_EQ(planes, 1);
    EXPECT_EQ(bitCount, 4);
    EXPECT_EQ(id, 1);

    const ResourceModule::Data image = resources.Find(RT_ICON, MAKEINTRESOURCEW(1), kBritishEnglish);
    ASSERT_EQ(image.size, 40u + 16 * 4 + 32 * 16 + 32 * 4);
    EXPECT_EQ(bytes, image.size);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.bytes);
    EXPECT_EQ(header->biWidth, 32);
    EXPECT_EQ(header->biHeight, 64);
    EXPECT_EQ(header->biBitCount, 4);
    EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
    // The corner is transparent, the box opaque and grey, the cross in its middle red.
    const BYTE* mask = image.bytes + 40 + 16 * 4 + 32 * 16;
    auto transparent = [&](int x, int y) { return (mask[(31 - y) * 4 + x / 8] >> (7 - x % 8)) & 1; };
    EXPECT_EQ(transparent(0, 0), 1);
    EXPECT_EQ(transparent(9, 28), 0);
    EXPECT_EQ(PixelColour(image.bytes, 9, 28), 0xC0C0C0u);
    EXPECT_EQ(PixelColour(image.bytes, 19, 19), 0xFF0000u);
}

TEST_P(LibraryResourceTest, VersionBlock) {
    const ResourceModule::Data data = resources.Find(RT_VERSION, MAKEINTRESOURCEW(1), kUsEnglish);
    ASSERT_NE(data.bytes, nullptr);
    const VersionNode root = ParseVersion(data.bytes);
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");
    ASSERT_EQ(root.valueLength, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, root.value, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00020000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 37u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00020000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 37u);
    EXPECT_EQ(fixed.dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed.dwFileFlags, 0u);
    EXPECT_EQ(fixed.dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(fixed.dwFileSubtype, 0u);
    EXPECT_EQ(fixed.dwFileDateMS, 0u);
    EXPECT_EQ(fixed.dwFileDateLS, 0u);

    ASSERT_EQ(root.children.size(), 2u);
    const VersionNode& strings = root.children[0];
    EXPECT_EQ(strings.key, L"StringFileInfo");
    ASSERT_EQ(strings.children.size(), 1u);
    EXPECT_EQ(strings.children[0].key, L"040904B0");
    std::vector<std::wstring> keys;
    std::vector<std::wstring> values;
    for (const VersionNode& value : strings.children[0].children) {
        keys.push_back(value.key);
        values.push_back(value.Text());
    }
    const std::vector<std::wstring> expectedKeys = {
        L"Comments",    L"CompanyName",    L"FileDescription", L"LegalCopyright",   L"ProductName",
        L"FileVersion", L"ProductVersion", L"InternalName",    L"OriginalFilename", L"OLESelfRegister"};
    ASSERT_EQ(keys, expectedKeys);
    for (size_t index : {0u, 1u, 3u, 4u}) EXPECT_FALSE(values[index].empty()) << testing::PrintToString(keys[index]);
    EXPECT_EQ(values[2], L"Inspecta Control");
    EXPECT_EQ(values[5], L"2.00.0037");
    EXPECT_EQ(values[6], L"2.00.0037");
    EXPECT_EQ(values[7], L"Inspecta2");
    EXPECT_EQ(values[8], L"Inspecta2.ocx");
    EXPECT_EQ(values[9], L"");

    const VersionNode& variables = root.children[1];
    EXPECT_EQ(variables.key, L"VarFileInfo");
    ASSERT_EQ(variables.children.size(), 1u);
    EXPECT_EQ(variables.children[0].key, L"Translation");
    ASSERT_EQ(variables.children[0].valueLength, 4);
    WORD translation[2];
    std::memcpy(translation, variables.children[0].value, sizeof translation);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    // The type library's help string opens with the vendor's name.
    ole::ComPtr<ITypeLib> library;
    ASSERT_TRUE(SUCCEEDED(LoadTypeLibEx(resources.Path().c_str(), REGKIND_NONE, library.Put())));
    ole::Bstr help;
    ASSERT_TRUE(SUCCEEDED(library->GetDocumentation(-1, nullptr, help.Out(), nullptr, nullptr)));
    EXPECT_EQ(help.View(), values[1] + L" Inspecta Control 2.0");
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, LibraryResourceTest, testing::Values(kBuild64, kBuild32),
                         [](const testing::TestParamInfo<Build>& parameter) { return std::string(parameter.param.name); });

}  // namespace
}  // namespace typelib_tests
