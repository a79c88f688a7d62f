#pragma once
// Resource identifiers shared by mirukado.rc and the C++ code.

#define IDI_MIRUKADO 1
#define IDS_DESCRIPTION 1  // the name the display settings list the saver under

#define IDD_FORM_CONF 101
#define IDC_LABEL2 1001
#define IDC_LABEL1 1005
#define IDC_OPT_SLOW 1006
#define IDC_OPT_NORMAL 1007
#define IDC_OPT_FAST 1008
// The drills' check boxes, made at run time from the registry: the first's
// id, the others' following it.
#define IDC_DRILL_BOX_FIRST 1100
