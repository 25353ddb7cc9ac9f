// The test library's GUIDs are defined here, once; the system's are already in their libraries.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <initguid.h>

#include "test_control_h.h"
