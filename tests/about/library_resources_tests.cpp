// The resources the About box relies on, read as data from the resource script linked into
// this program: their languages and formats.
#include "typelib/resource_ids.h"

#include <gtest/gtest.h>
#include <windows.h>

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

// What the box shows of these is checked on the box itself; here, that each sits in the language
// the library declares, as a lookup in another language would not find it.
TEST(LibraryResourcesTest, EachResourceIsInItsLanguageAndTheLogoIsA256ColourBitmapOf273By40) {
    EXPECT_NE(Find(MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1), kUsEnglish).bytes, nullptr) << "version";
    static_assert(IDS_FIRST_LINK / 16 == IDS_SECOND_LINK / 16, "both link strings in one block");
    EXPECT_NE(Find(MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(IDS_FIRST_LINK / 16 + 1), kBritishEnglish).bytes, nullptr);
    EXPECT_EQ(IDS_FIRST_LINK / 16 + 1, 619);
    const ResourceData data = Find(MAKEINTRESOURCEW(2), L"COMPANYLOGO", kBritishEnglish);
    ASSERT_NE(data.bytes, nullptr);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(data.bytes);
    EXPECT_EQ(header->biWidth, 273);
    EXPECT_EQ(header->biHeight, 40);
    EXPECT_EQ(header->biBitCount, 8);
    EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_TRUE(header->biClrUsed == 0 || header->biClrUsed == 256);
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
