// The resources the About box relies on, read as data from the resource script linked into
// this program: their languages, formats and the version block's exact content.
#include "typelib/resource_ids.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr WORD kBritishEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK);
constexpr WORD kUsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

struct ResourceData {
    const BYTE* bytes = nullptr;
    DWORD size = 0;
};

ResourceData Find(const wchar_t* type, const wchar_t* name, WORD language) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceExW(module, type, name, language);
    if (!found) return {};
    return {static_cast<const BYTE*>(LockResource(LoadResource(module, found))), SizeofResource(module, found)};
}

std::wstring LoadText(UINT id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    return std::wstring(text, static_cast<size_t>(length > 0 ? length : 0));
}

// One node of a version block: its key, its value's bytes and its children.
struct VersionNode {
    std::wstring key;
    const BYTE* value = nullptr;
    WORD valueLength = 0;
    std::vector<VersionNode> children;
};

size_t Align4(size_t offset) { return (offset + 3) & ~size_t{3}; }

VersionNode ParseVersionNode(const BYTE* base, size_t offset) {
    VersionNode node;
    const WORD length = *reinterpret_cast<const WORD*>(base + offset);
    node.valueLength = *reinterpret_cast<const WORD*>(base + offset + 2);
    const WORD type = *reinterpret_cast<const WORD*>(base + offset + 4);
    const auto* key = reinterpret_cast<const wchar_t*>(base + offset + 6);
    node.key = key;
    size_t cursor = Align4(offset + 6 + (node.key.size() + 1) * sizeof(wchar_t));
    node.value = base + cursor;
    cursor = Align4(cursor + node.valueLength * (type == 1 ? sizeof(wchar_t) : 1));
    while (cursor < offset + length) {
        VersionNode child = ParseVersionNode(base, cursor);
        const WORD childLength = *reinterpret_cast<const WORD*>(base + cursor);
        node.children.push_back(std::move(child));
        cursor = Align4(cursor + childLength);
    }
    return node;
}

TEST(LibraryResourcesTest, VersionBlockIsUsEnglishWithTheFixedFields) {
    const ResourceData data = Find(MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1), kUsEnglish);
    ASSERT_NE(data.bytes, nullptr);
    const VersionNode root = ParseVersionNode(data.bytes, 0);
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");
    ASSERT_EQ(root.valueLength, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(root.value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 37u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 37u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, 4u);
    EXPECT_EQ(fixed->dwFileType, 2u);
    EXPECT_EQ(fixed->dwFileSubtype, 0u);
    EXPECT_EQ(fixed->dwFileDateMS, 0u);
    EXPECT_EQ(fixed->dwFileDateLS, 0u);
}

TEST(LibraryResourcesTest, VersionStringsComeInTheirOrderWithOneTranslation) {
    const ResourceData data = Find(MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1), kUsEnglish);
    ASSERT_NE(data.bytes, nullptr);
    const VersionNode root = ParseVersionNode(data.bytes, 0);
    ASSERT_EQ(root.children.size(), 2u);
    const VersionNode& strings = root.children[0];
    EXPECT_EQ(strings.key, L"StringFileInfo");
    ASSERT_EQ(strings.children.size(), 1u);
    EXPECT_EQ(strings.children[0].key, L"040904B0");
    std::vector<std::wstring> keys;
    std::vector<std::wstring> values;
    for (const VersionNode& entry : strings.children[0].children) {
        keys.push_back(entry.key);
        values.emplace_back(reinterpret_cast<const wchar_t*>(entry.value));
    }
    EXPECT_EQ(keys, (std::vector<std::wstring>{L"Comments", L"CompanyName", L"FileDescription", L"LegalCopyright",
                                               L"ProductName", L"FileVersion", L"ProductVersion", L"InternalName",
                                               L"OriginalFilename", L"OLESelfRegister"}));
    ASSERT_EQ(values.size(), 10u);
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
    const auto* translation = reinterpret_cast<const WORD*>(variables.children[0].value);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);
}

TEST(LibraryResourcesTest, CompanyLogoIsA256ColourBitmapOf273By40InBritishEnglish) {
    const ResourceData data = Find(MAKEINTRESOURCEW(2), L"COMPANYLOGO", kBritishEnglish);
    ASSERT_NE(data.bytes, nullptr);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(data.bytes);
    EXPECT_EQ(header->biWidth, 273);
    EXPECT_EQ(header->biHeight, 40);
    EXPECT_EQ(header->biBitCount, 8);
    EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_TRUE(header->biClrUsed == 0 || header->biClrUsed == 256);
}

TEST(LibraryResourcesTest, LinkStringsAreInBlock619InBritishEnglish) {
    EXPECT_NE(Find(MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(IDS_FIRST_LINK / 16 + 1), kBritishEnglish).bytes, nullptr);
    EXPECT_EQ(IDS_FIRST_LINK / 16 + 1, 619);
    EXPECT_EQ(IDS_SECOND_LINK / 16 + 1, 619);

    const std::wstring first = LoadText(IDS_FIRST_LINK);
    const size_t bar = first.find(L'|');
    ASSERT_NE(bar, std::wstring::npos);
    const std::wstring address = first.substr(0, bar);
    EXPECT_EQ(address.rfind(L"http://", 0), 0u);
    EXPECT_EQ(address.back(), L'/');
    EXPECT_EQ(first.find(address + L"|" + address + L"|Click to visit "), 0u);

    const std::wstring second = LoadText(IDS_SECOND_LINK);
    const size_t mailBar = second.find(L'|');
    ASSERT_NE(mailBar, std::wstring::npos);
    const std::wstring mail = second.substr(0, mailBar);
    EXPECT_NE(mail.find(L'@'), std::wstring::npos);
    EXPECT_EQ(second.find(mail + L"|mailto:" + mail + L"?subject=%APP%|Click to send email to "), 0u);

    EXPECT_NE(LoadText(IDS_COPYRIGHT_NOTICE).find(L"copyright law"), std::wstring::npos);
}

TEST(LibraryResourcesTest, HandCursorIs32By32With16ColoursAndItsHotSpotAt12And5) {
    const ResourceData group = Find(MAKEINTRESOURCEW(12), MAKEINTRESOURCEW(IDC_LINK_HAND), kBritishEnglish);
    ASSERT_NE(group.bytes, nullptr);
    const auto* words = reinterpret_cast<const WORD*>(group.bytes);
    EXPECT_EQ(words[1], 2);  // a cursor directory
    ASSERT_EQ(words[2], 1);  // one image
    const BYTE* entry = group.bytes + 6;
    EXPECT_EQ(*reinterpret_cast<const WORD*>(entry), 32);
    EXPECT_EQ(*reinterpret_cast<const WORD*>(entry + 2), 64);
    const WORD ordinal = *reinterpret_cast<const WORD*>(entry + 12);

    const ResourceData image = Find(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(ordinal), kBritishEnglish);
    ASSERT_NE(image.bytes, nullptr);
    const auto* hotSpot = reinterpret_cast<const WORD*>(image.bytes);
    EXPECT_EQ(hotSpot[0], 12);
    EXPECT_EQ(hotSpot[1], 5);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.bytes + 4);
    EXPECT_EQ(header->biWidth, 32);
    EXPECT_EQ(header->biHeight, 64);
    EXPECT_EQ(header->biBitCount, 4);
}

}  // namespace
