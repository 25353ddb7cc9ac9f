#include "about/desktop.h"

#include <shellapi.h>

namespace about {

namespace {

class SystemShell final : public Desktop {
public:
    INT_PTR ShellOpen(HWND owner, const std::string& verb, const std::string& file, const std::string& parameters,
                      const std::string& directory, int showCommand) override {
        return reinterpret_cast<INT_PTR>(
            ShellExecuteA(owner, verb.c_str(), file.c_str(), parameters.c_str(), directory.c_str(), showCommand));
    }
    int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title, UINT style) override {
        return MessageBoxW(owner, text.c_str(), title.c_str(), style);
    }
};

}  // namespace

Desktop& SystemDesktop() {
    static SystemShell desktop;
    return desktop;
}

}  // namespace about
