// The library's resources in both builds: which there are, with their ids and languages, and
// the formats and bytes that hosts and containers read.
#include "built_libraries.h"
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
}

TEST_P(LibraryResourceTest, TypeLibraryResourceIsThisBuildsLibrary) {
    const ResourceModule::Data data = resources.Find(L"TYPELIB", MAKEINTRESOURCEW(1), kNeutral);
    ASSERT_GE(data.size, 48u);
    EXPECT_EQ(std::memcmp(data.bytes, "MSFT", 4), 0);
    DWORD flags = 0;
    std::memcpy(&flags, data.bytes + 5 * 4, 4);
    EXPECT_EQ(flags & 0x0F, static_cast<DWORD>(GetParam().system));
}

// Containers show the toolbox bitmap at 16 by 15 and find the product icon by name.
TEST_P(LibraryResourceTest, ToolboxBitmapAndIconHaveTheSizesContainersUse) {
    const ResourceModule::Data bitmap = resources.Find(RT_BITMAP, MAKEINTRESOURCEW(IDB_TOOLBOX), kNeutral);
    ASSERT_GE(bitmap.size, sizeof(BITMAPINFOHEADER));
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bitmap.bytes);
    EXPECT_EQ(header->biWidth, 16);
    EXPECT_EQ(header->biHeight, 15);
    HICON icon = static_cast<HICON>(LoadImageW(resources.Handle(), L"PRODUCTICON", IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(icon, nullptr);
    DestroyIcon(icon);
}

// What regsvr32 and the shell read: the self-registration flag and the version.
TEST_P(LibraryResourceTest, VersionBlock) {
    const ResourceModule::Data data = resources.Find(RT_VERSION, MAKEINTRESOURCEW(1), kUsEnglish);
    ASSERT_NE(data.bytes, nullptr);
    const VersionNode root = ParseVersion(data.bytes);
    ASSERT_EQ(root.valueLength, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, root.value, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00020000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 37u);
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_DLL));
    ASSERT_EQ(root.children.size(), 2u);
    ASSERT_EQ(root.children[0].children.size(), 1u);
    std::vector<std::wstring> keys;
    for (const VersionNode& value : root.children[0].children[0].children) keys.push_back(value.key);
    EXPECT_NE(std::find(keys.begin(), keys.end(), L"OLESelfRegister"), keys.end());
    EXPECT_NE(std::find(keys.begin(), keys.end(), L"FileVersion"), keys.end());
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, LibraryResourceTest, testing::Values(kBuild64, kBuild32),
                         [](const testing::TestParamInfo<Build>& parameter) { return std::string(parameter.param.name); });

}  // namespace
}  // namespace typelib_tests
