#pragma once

#include <string>

namespace ole {

// The file name, without folder and extension, of the module (DLL or EXE) that holds this code:
// "Inspecta2" for Inspecta2.ocx. Automation errors name it as their source.
std::wstring ModuleBaseName();

}  // namespace ole
