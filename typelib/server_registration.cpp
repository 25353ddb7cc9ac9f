#include "typelib/server_registration.h"

#include "kavella.h"
#include "ole/control.h"
#include "control/control_interface.h"
#include "typelib/resource_ids.h"

const ole::ControlRegistration kInspectaRegistration{
    &CLSID_Inspecta, L"Inspecta", L"InspectaCtl.Inspecta", &LIBID_InspectaCtl, L"8.0", ole::kControlMiscStatus,
    IDB_TOOLBOX,     L"Apartment"};

const ole::ControlRegistration kKavellaRegistration{
    &CLSID_Kavella, L"Kavella Property List", L"KavellaCtl.Kavella", &LIBID_KavellaCtl, L"2.9",
    ole::kControlMiscStatus, 0, L"Apartment"};
