// Resource identifiers of varnholt.exe, shared by varnholt.rc and the window
// code. The three pictures of a set (normal, hover, pressed) are consecutive,
// so the picture for index i of a set is its _0 identifier plus i. Every
// frame picture is stored three times, drawn for 100%, 150% and 200% display
// scale: the larger ones under its identifier plus IDB_AT_150 or IDB_AT_200.
#ifndef VARNHOLT_RES_RESOURCE_H
#define VARNHOLT_RES_RESOURCE_H

#define IDB_AT_150 1000
#define IDB_AT_200 2000

// Window icon: the first (and only) icon group, which Explorer shows.
#define IDI_VARNHOLT 1

// Caption strips: 681 x 25 on the pages, 700 x 25 on the scan window (at 100%).
#define IDB_CAPTION_PAGE 101
#define IDB_CAPTION_SCAN 102

// Minimise and close tiles, 28 x 15.
#define IDB_MIN_0 110
#define IDB_MIN_1 111
#define IDB_MIN_2 112
#define IDB_EXIT_0 120
#define IDB_EXIT_1 121
#define IDB_EXIT_2 122

// Navigation pictures, 199 x 36; index 2 is also the current page's picture.
#define IDB_NAV_SCANNER_0 130
#define IDB_NAV_SCANNER_1 131
#define IDB_NAV_SCANNER_2 132
#define IDB_NAV_RESTORE_0 140
#define IDB_NAV_RESTORE_1 141
#define IDB_NAV_RESTORE_2 142
#define IDB_NAV_SETTINGS_0 150
#define IDB_NAV_SETTINGS_1 151
#define IDB_NAV_SETTINGS_2 152
#define IDB_NAV_RECORDS_0 160
#define IDB_NAV_RECORDS_1 161
#define IDB_NAV_RECORDS_2 162

// The question mark beside the home page's description, 55 x 55.
#define IDB_QUESTION 170

#endif
