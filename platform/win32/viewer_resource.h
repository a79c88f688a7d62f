#pragma once
// Resource identifiers shared by viewer.rc and the viewer's code.

#define IDI_MIRUKADO_VIEW 1
