// Identifiers of the program's resources.
#pragma once

#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDI_QARN 107
#define IDI_SMALL 108
#define IDC_QARN 109
