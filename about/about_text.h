#pragma once

#include <string>

namespace about {

// "Version 2.0 (Build 37)"; a revision of 0 or less adds no build part.
std::wstring VersionText(short major, short minor, short revision);

// Each run of two spaces, taken from the left without overlap, becomes a line break, so that a
// version block's single-line comments can still hold paragraphs.
std::wstring CommentsText(const std::wstring& comments);

}  // namespace about
