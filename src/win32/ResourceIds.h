#pragma once

// The IDs of the program's resources and of the main window's controls, shared by the resource
// script and the code; plain macros, as the resource compiler reads this file too.

#define IDD_MAIN_WINDOW 102
#define IDD_FORM_PANEL 129
#define IDI_APP_ICON 128
#define IDB_WORLD_MAP 130
#define IDI_MAP_MARKER 133
#define RT_SPAWN_DLGINIT 240 // the dialog initialisation data, as RT_DLGINIT

#ifndef IDC_STATIC
#define IDC_STATIC (-1) // labels and group boxes, which nothing looks up
#endif

#define IDC_SAVE 3
#define IDC_RECORD_LIST 1000
#define IDC_FORM_FRAME 1001
#define IDC_FORM_SCROLL_BAR 1002
#define IDC_NEW 1003
#define IDC_APPLY 1004
#define IDC_COUNT_LABEL 1005
#define IDC_ADD_ENTRY 1006
#define IDC_SEARCH_BY_ID 1007
#define IDC_SEARCH_BY_NAME 1008
#define IDC_SEARCH_TEXT 1009
#define IDC_SEARCH 1010
#define IDC_LOGOUT 1011
#define IDC_WORLD_X 1012
#define IDC_WORLD_Y 1013
#define IDC_WORLD_Z 1014
#define IDC_REMOVE_ENTRY 1015
#define IDC_REFRESH 1016
#define IDC_MAP_X 1017
#define IDC_MAP_Y 1018
#define IDC_MAP_HEIGHT 1019
#define IDC_SET_COORDINATES 1020
#define IDC_REMOVE_RECORD 1021
#define IDC_CLIENT_PROFILE 1022
#define IDC_READ_CLIENT_POSITION 1023
#define IDC_MAP_PICTURE 1024
#define IDC_MAP_MARKER 1820 // created at run time, a child of the map picture
