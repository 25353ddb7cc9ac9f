#pragma once

// Identifiers of the library's resources, shared by the resource script and the code that
// loads them.
#define IDS_FIRST_LINK 9901
// The About box looks for a product icon under this number; the library carries none.
#define IDI_PRODUCT_ICON 9901
#define IDS_SECOND_LINK 9902
#define IDS_COPYRIGHT_NOTICE 9903
#define IDC_LINK_HAND 9910
// The containers' toolbox shows this picture for the control; registration names it too.
#define IDB_TOOLBOX 30000
