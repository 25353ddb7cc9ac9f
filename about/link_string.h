#pragma once

#include <string>

namespace about {

// What a link label shows and opens, read from "caption|target|tooltip". Fields after the third
// are ignored and missing ones are empty; an empty string is no link at all.
struct Link {
    bool present = false;
    std::wstring caption;
    std::wstring target;
    std::wstring tooltip;
};

Link ParseLink(const std::wstring& linkString);

// Each "%APP%" (exact case) in a target becomes the application's title and version text.
std::wstring ExpandLinkTarget(const std::wstring& target, const std::wstring& title,
                              const std::wstring& versionText);

// Every space becomes "%20"; nothing else is encoded.
std::wstring EncodeSpaces(const std::wstring& target);

}  // namespace about
