#pragma once

#include "about/application_info.h"
#include "about/desktop.h"

#include <windows.h>

#include <string>

namespace about {

// Opens a link label's target through the shell, "%APP%" expanded to the application's title and
// version text. Whatever goes wrong is told in one "Web Access" message box; the box stays open.
void OpenLink(Desktop& desktop, HWND owner, const std::wstring& target, ApplicationInfo& application,
              const std::wstring& versionText);

// "The parameter is incorrect. (-2147024809)": the system's text for an error and its number,
// an automation error's own number for the errors of controls.
std::wstring ErrorMessageWithNumber(HRESULT error);

}  // namespace about
