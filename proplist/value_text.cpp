#include "proplist/value_text.h"

#include "ole/bstr.h"
#include "ole/com_ptr.h"
#include "ole/hresult.h"
#include "ole/variant.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <cwctype>

namespace proplist {

namespace {

bool SameText(const std::wstring& left, const std::wstring& right) {
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

std::wstring Trimmed(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return {};
    const size_t last = text.find_last_not_of(L" \t");
    return text.substr(first, last - first + 1);
}

std::wstring AsText(const VARIANT& value) {
    return ole::TextOf(value, LOCALE_USER_DEFAULT, VARIANT_ALPHABOOL).value_or(std::wstring());
}

HRESULT Convert(const VARIANT& from, VARTYPE type, ole::Variant& to) {
    return ole::ChangeType(to, from, type, LOCALE_USER_DEFAULT);
}

// A system colour the palette does not name keeps its &H form: as #RRGGBB it would stop
// following the user's scheme once typed back.
std::wstring ColourText(ULONG colour) {
    const auto palette = ColourPalette();
    const auto named = std::find_if(palette.begin(), palette.end(),
                                    [&](const NamedColour& entry) { return entry.value == colour; });
    if (named != palette.end()) return named->name;
    wchar_t text[16];
    if (colour & 0xFF000000UL) {
        swprintf(text, 16, L"&H%08lX&", colour);
    } else {
        swprintf(text, 16, L"#%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    }
    return text;
}

// "Arial, 12pt, Bold, Italic"; empty when `object` is no font.
std::wstring FontText(IUnknown* object) {
    ole::ComPtr<IFont> font;
    ole::Bstr name;
    CY size{};
    if (!object || FAILED(object->QueryInterface(IID_IFont, font.PutVoid())) || FAILED(font->get_Name(name.Out())) ||
        FAILED(font->get_Size(&size))) {
        return {};
    }
    ole::Bstr points;
    std::wstring text(name.View());
    if (SUCCEEDED(VarBstrFromCy(size, LOCALE_USER_DEFAULT, 0, points.Out()))) {
        text += L", " + std::wstring(points.View()) + L"pt";
    }
    BOOL bold = FALSE, italic = FALSE;
    if (SUCCEEDED(font->get_Bold(&bold)) && bold) text += L", Bold";
    if (SUCCEEDED(font->get_Italic(&italic)) && italic) text += L", Italic";
    return text;
}

const std::wstring& ShownName(const EnumMember& member) { return member.shown.empty() ? member.name : member.shown; }

HRESULT ParseColour(const std::wstring& text, ole::Variant& value) {
    unsigned long colour = 0;
    wchar_t* end = nullptr;
    const auto palette = ColourPalette();
    const auto named = std::find_if(palette.begin(), palette.end(),
                                    [&](const NamedColour& entry) { return SameText(text, entry.name); });
    if (named != palette.end()) {
        colour = named->value;
    } else if (text.size() == 7 && text[0] == L'#') {
        const unsigned long rgb = std::wcstoul(text.c_str() + 1, &end, 16);
        if (*end) return DISP_E_TYPEMISMATCH;
        colour = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    } else if (text.size() > 2 && (text[0] == L'&') && (text[1] == L'H' || text[1] == L'h')) {
        std::wstring digits = text.substr(2);
        if (!digits.empty() && digits.back() == L'&') digits.pop_back();
        if (digits.empty() || digits.size() > 8) return DISP_E_TYPEMISMATCH;
        colour = std::wcstoul(digits.c_str(), &end, 16);
        if (*end) return DISP_E_TYPEMISMATCH;
    } else {
        if (text.empty() || !std::iswdigit(text[0])) return DISP_E_TYPEMISMATCH;
        errno = 0;
        colour = std::wcstoul(text.c_str(), &end, 10);
        if (*end || errno == ERANGE || colour > 0xFFFFFFFFUL) return DISP_E_TYPEMISMATCH;
    }
    value.Reset();
    VARIANT made;
    VariantInit(&made);
    V_VT(&made) = VT_UI4;
    V_UI4(&made) = static_cast<ULONG>(colour);
    value = ole::Variant::Attach(made);
    return S_OK;
}

}  // namespace

std::span<const NamedColour> ColourPalette() noexcept {
    static constexpr NamedColour palette[] = {
        {L"Black", RGB(0, 0, 0)},         {L"White", RGB(255, 255, 255)},  {L"Grey", RGB(128, 128, 128)},
        {L"Silver", RGB(192, 192, 192)},  {L"Maroon", RGB(128, 0, 0)},     {L"Red", RGB(255, 0, 0)},
        {L"Olive", RGB(128, 128, 0)},     {L"Yellow", RGB(255, 255, 0)},   {L"Green", RGB(0, 128, 0)},
        {L"Lime", RGB(0, 255, 0)},        {L"Teal", RGB(0, 128, 128)},     {L"Aqua", RGB(0, 255, 255)},
        {L"Navy", RGB(0, 0, 128)},        {L"Blue", RGB(0, 0, 255)},       {L"Purple", RGB(128, 0, 128)},
        {L"Fuchsia", RGB(255, 0, 255)},
        // System colours: the high bit set and the index of GetSysColor.
        {L"Window", 0x80000000UL | COLOR_WINDOW},
        {L"Window Text", 0x80000000UL | COLOR_WINDOWTEXT},
        {L"Button Face", 0x80000000UL | COLOR_BTNFACE},
        {L"Button Text", 0x80000000UL | COLOR_BTNTEXT},
        {L"Highlight", 0x80000000UL | COLOR_HIGHLIGHT},
        {L"Highlight Text", 0x80000000UL | COLOR_HIGHLIGHTTEXT},
        {L"Grey Text", 0x80000000UL | COLOR_GRAYTEXT},
        {L"Tooltip", 0x80000000UL | COLOR_INFOBK},
        {L"Desktop", 0x80000000UL | COLOR_DESKTOP},
    };
    return palette;
}

std::wstring FormatValue(const ItemDescription& item, const VARIANT& given) {
    const VARIANT* value = &given;
    if (V_VT(value) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(value)) value = V_VARIANTREF(value);
    switch (V_VT(value) & ~VT_BYREF) {
    case VT_EMPTY: return {};
    case VT_NULL: return L"(Null)";
    case VT_DISPATCH:
    case VT_UNKNOWN: {
        IUnknown* object = ole::ReferencedObject(*value);
        if (!object) return L"(Nothing)";
        std::wstring font = FontText(object);
        return font.empty() ? L"(Object)" : font;
    }
    default: break;
    }
    if (V_VT(value) & VT_ARRAY) return L"(Array)";
    if (V_VT(value) == VT_BOOL) return V_BOOL(value) ? L"True" : L"False";
    if (item.style == kStyleEnumeration && item.members) {
        ole::Variant number;
        if (SUCCEEDED(Convert(*value, VT_I4, number))) {
            for (const EnumMember& member : *item.members) {
                if (member.value == V_I4(&number.Get())) return ShownName(member);
            }
        }
    }
    if (item.style == kStyleColour) {
        ole::Variant number;
        if (SUCCEEDED(Convert(*value, VT_UI4, number))) return ColourText(V_UI4(&number.Get()));
    }
    return AsText(*value);
}

namespace {

// Says why `text` was refused, for the user to read, and fails with `failure`.
HRESULT Refuse(const std::wstring& text, const wchar_t* why, HRESULT failure, std::wstring& reason) {
    reason = L"'" + text + L"' " + why;
    return failure;
}

HRESULT ParseWholeNumber(const ItemDescription& item, const std::wstring& text, ole::Variant& value,
                         std::wstring& reason) {
    const ole::Variant given{std::wstring_view(text)};
    ole::Variant real;
    if (text.empty() || FAILED(Convert(given.Get(), VT_R8, real)) ||
        V_R8(&real.Get()) != std::floor(V_R8(&real.Get()))) {
        return Refuse(text, L"is not a whole number.", DISP_E_TYPEMISMATCH, reason);
    }
    if (FAILED(Convert(real.Get(), item.valueType, value))) {
        return Refuse(text, L"is out of range for this property.", DISP_E_OVERFLOW, reason);
    }
    return S_OK;
}

HRESULT ParseBoolean(const std::wstring& text, ole::Variant& value, std::wstring& reason) {
    if (SameText(text, L"True") || SameText(text, L"False")) {
        value = ole::Variant(SameText(text, L"True"));
        return S_OK;
    }
    return Refuse(text, L"is neither True nor False.", DISP_E_TYPEMISMATCH, reason);
}

// A member's shown name, its full name, or its number.
HRESULT ParseEnumeration(const ItemDescription& item, const std::wstring& text, ole::Variant& value,
                         std::wstring& reason) {
    const auto members = item.members ? std::span<const EnumMember>(*item.members) : std::span<const EnumMember>();
    auto found = std::find_if(members.begin(), members.end(),
                              [&](const EnumMember& member) { return SameText(text, ShownName(member)); });
    if (found == members.end()) {
        found = std::find_if(members.begin(), members.end(),
                             [&](const EnumMember& member) { return SameText(text, member.name); });
    }
    ole::Variant number;
    if (found == members.end() && !text.empty() &&
        SUCCEEDED(Convert(ole::Variant(std::wstring_view(text)).Get(), VT_I4, number))) {
        found = std::find_if(members.begin(), members.end(),
                             [&](const EnumMember& member) { return member.value == V_I4(&number.Get()); });
    }
    if (found == members.end()) {
        return Refuse(text, L"is not one of the values this property takes.", DISP_E_TYPEMISMATCH, reason);
    }
    value = ole::Variant(found->value);
    return S_OK;
}

// Text that converts to `type` as the user's conventions read it.
HRESULT ParseConverted(const std::wstring& text, VARTYPE type, const wchar_t* why, ole::Variant& value,
                       std::wstring& reason) {
    if (text.empty() || FAILED(Convert(ole::Variant(std::wstring_view(text)).Get(), type, value))) {
        return Refuse(text, why, DISP_E_TYPEMISMATCH, reason);
    }
    return S_OK;
}

}  // namespace

HRESULT ParseValue(const ItemDescription& item, const std::wstring& typed, ole::Variant& value, std::wstring& reason) {
    const std::wstring text = item.style == kStyleText ? typed : Trimmed(typed);
    reason.clear();
    switch (item.style) {
    case kStyleText:
        value = ole::Variant(std::wstring_view(text));
        return S_OK;
    case kStyleWholeNumber: return ParseWholeNumber(item, text, value, reason);
    case kStyleDecimalNumber:
        return ParseConverted(text, item.valueType, L"is not a number this property can take.", value, reason);
    case kStyleBoolean: return ParseBoolean(text, value, reason);
    case kStyleEnumeration: return ParseEnumeration(item, text, value, reason);
    case kStyleColour:
        if (FAILED(ParseColour(text, value))) {
            return Refuse(text, L"is not a colour (write #RRGGBB or pick one from the list).", DISP_E_TYPEMISMATCH,
                          reason);
        }
        return S_OK;
    case kStyleDate: return ParseConverted(text, VT_DATE, L"is not a date.", value, reason);
    default:
        reason = L"This property cannot be edited here.";
        return E_NOTIMPL;
    }
}

std::vector<std::wstring> Choices(const ItemDescription& item) {
    std::vector<std::wstring> choices;
    if (item.style == kStyleBoolean) {
        choices = {L"False", L"True"};
    } else if (item.style == kStyleEnumeration && item.members) {
        for (const EnumMember& member : *item.members) choices.push_back(ShownName(member));
    }
    return choices;
}

std::wstring NextChoice(const ItemDescription& item, const VARIANT& value) {
    const std::vector<std::wstring> choices = Choices(item);
    if (choices.empty()) return {};
    const auto current = std::find(choices.begin(), choices.end(), FormatValue(item, value));
    return current == choices.end() || current + 1 == choices.end() ? choices.front() : *(current + 1);
}

namespace {

// Whether a word of `name` starts at `at`: after an underscore, at a capital after a small letter
// or digit or before a small letter ("HTMLParser"), at a number's first digit.
bool StartsWord(const std::wstring& name, size_t at) {
    if (at == 0 || at >= name.size()) return false;
    const wchar_t previous = name[at - 1];
    const wchar_t here = name[at];
    if (previous == L'_') return here != L'_';
    if (std::iswdigit(here)) return !std::iswdigit(previous);
    if (!std::iswupper(here)) return false;
    return !std::iswupper(previous) || (at + 1 < name.size() && std::iswlower(name[at + 1]));
}

bool IsBareNumber(const std::wstring& text, size_t from) {
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                       [](wchar_t character) { return std::iswdigit(character) != 0; });
}

}  // namespace

void ShowMembersByShortNames(EnumMembers& members) {
    if (members.size() < 2) return;
    const std::wstring& first = members.front().name;
    size_t shared = first.size();
    for (const EnumMember& member : members) {
        const auto differ = std::mismatch(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(shared),
                                          member.name.begin(), member.name.end());
        shared = static_cast<size_t>(differ.first - first.begin());
    }
    for (size_t cut = shared; cut > 0; --cut) {
        const bool fits = std::all_of(members.begin(), members.end(), [&](const EnumMember& member) {
            return StartsWord(member.name, cut) && !IsBareNumber(member.name, cut);
        });
        if (!fits) continue;
        for (EnumMember& member : members) {
            if (member.shown.empty()) member.shown = member.name.substr(cut);
        }
        return;
    }
}

}  // namespace proplist
