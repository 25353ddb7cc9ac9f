#pragma once

#include <windows.h>

#include <string>

namespace about {

// The box's only ways out to the rest of the desktop: the shell's open call and message boxes.
// Production goes through SystemDesktop(); tests put a recording double in its place.
class Desktop {
public:
    virtual ~Desktop() = default;
    // ShellExecuteA: the shell's result, above 32 on success.
    virtual INT_PTR ShellOpen(HWND owner, const std::string& verb, const std::string& file,
                              const std::string& parameters, const std::string& directory, int showCommand) = 0;
    virtual int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title, UINT style) = 0;
};

Desktop& SystemDesktop();

}  // namespace about
