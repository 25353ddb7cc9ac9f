#include "about/link_string.h"

#include <vector>

namespace about {

namespace {

void ReplaceAll(std::wstring& text, const std::wstring& what, const std::wstring& with) {
    for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
}

}  // namespace

Link ParseLink(const std::wstring& linkString) {
    Link link;
    if (linkString.empty()) return link;
    const std::wstring padded = linkString + L"|||";
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (size_t bar = padded.find(L'|'); bar != std::wstring::npos; bar = padded.find(L'|', start)) {
        fields.push_back(padded.substr(start, bar - start));
        start = bar + 1;
    }
    link.present = true;
    link.caption = fields[0];
    link.target = fields[1];
    link.tooltip = fields[2];
    return link;
}

std::wstring ExpandLinkTarget(const std::wstring& target, const std::wstring& title,
                              const std::wstring& versionText) {
    std::wstring expanded = target;
    ReplaceAll(expanded, L"%APP%", title + L" " + versionText);
    return expanded;
}

std::wstring EncodeSpaces(const std::wstring& target) {
    std::wstring encoded = target;
    ReplaceAll(encoded, L" ", L"%20");
    return encoded;
}

}  // namespace about
