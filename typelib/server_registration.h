#pragma once

// What both libraries register, read by their DllRegisterServer and by the program that writes
// the installer's registry rows, so that the two cannot disagree.
#include "ole/registration.h"

extern const ole::ControlRegistration kInspectaRegistration;
extern const ole::ControlRegistration kKavellaRegistration;
