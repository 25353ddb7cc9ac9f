#include "about/about_text.h"

namespace about {

std::wstring VersionText(short major, short minor, short revision) {
    std::wstring text = L"Version " + std::to_wstring(major) + L"." + std::to_wstring(minor);
    if (revision > 0) text += L" (Build " + std::to_wstring(revision) + L")";
    return text;
}

std::wstring CommentsText(const std::wstring& comments) {
    std::wstring text;
    text.reserve(comments.size());
    for (size_t i = 0; i < comments.size(); ++i) {
        if (comments[i] == L' ' && i + 1 < comments.size() && comments[i + 1] == L' ') {
            text += L"\r\n";
            ++i;
        } else {
            text += comments[i];
        }
    }
    return text;
}

}  // namespace about
