#pragma once

// Dialog templates
#define IDD_ABOUT 100
#define IDD_MAIN 129
#define IDD_STRUCTURE_EDITOR 201
#define IDD_TEXT_EDIT 203
#define IDD_SQL_EDITOR 206
#define IDD_CSV_EXPORT 210
#define IDD_CSV_IMPORT 211
#define IDD_VALUE_VIEWER 213

// Menu and accelerator table of the main window
#define IDR_MAIN_MENU 205
#define IDR_MAIN_ACCELERATORS 205
// The grid's context menu
#define IDR_CELL_MENU 212

// Icons
#define IDI_APPLICATION_ICON 128
#define IDI_RECORD 202
#define IDI_SQL_ERROR 207
#define IDI_SQL_MESSAGE 209

// Main window controls
#define IDC_TABLE_SELECTOR 1000
#define IDC_GRID 1001
#define IDC_PAGE_PREVIOUS 7
#define IDC_PAGE_NEXT 10
#define IDC_PAGE_LABEL 1014
// Made by the program above the grid, not in the template.
#define IDC_FILTER_STRIP 1040

// Structure editor controls
#define IDC_COLUMN_LIST 1001
#define IDC_ADD_COLUMN 1003
#define IDC_DELETE_COLUMN 1004
#define IDC_STRUCTURE_TABLE_NAME 1005
#define IDC_COLUMN_NAME 1006
#define IDC_COLUMN_TYPE 1007

// SQL editor controls
#define IDC_SQL_TEXT 1010
#define IDC_SQL_RESULT 1013
#define IDC_SQL_EXPORT 1016

// Text edit dialog control
#define IDC_TEXT_AREA 1015

// CSV export and import dialog controls
#define IDC_CSV_ENCODING 1020
#define IDC_CSV_SEPARATOR 1021
#define IDC_CSV_COLUMN_NAMES 1022
#define IDC_CSV_PREVIEW 1023
#define IDC_CSV_NEW_TABLE 1024
#define IDC_CSV_TABLE_NAME 1025
#define IDC_CSV_TYPED 1026
#define IDC_CSV_EXISTING_TABLE 1027
#define IDC_CSV_TABLE_LIST 1028

// Value viewer controls
#define IDC_VIEWER_INFO 1030
#define IDC_VIEWER_PICTURE 1031
#define IDC_VIEWER_DUMP 1032
#define IDC_VIEWER_PREVIOUS 1033
#define IDC_VIEWER_NEXT 1034

// Size grip of the resizable dialogs
#define IDC_SIZE_GRIP 59393

// Commands of the main window
#define IDM_SQL_EDITOR 9
#define IDM_NEW_TABLE 32776
#define IDM_EDIT_STRUCTURE 32777
#define IDM_DROP_TABLE 32778
#define IDM_ABOUT 32779
#define IDM_DELETE_RECORD 32780
#define IDM_HELP_CONTENTS 32781
#define IDM_EXPORT_CSV 32782
#define IDM_IMPORT_CSV 32783
#define IDM_REDO 32784
#define IDM_CELL_VIEW 32785
#define IDM_CELL_SAVE 32786
#define IDM_CELL_LOAD 32787
#define IDM_NEW_DATABASE 57600
#define IDM_OPEN_DATABASE 57601
#define IDM_SAVE 57603
#define IDM_PRINT 57607
#define IDM_COPY 57634
#define IDM_CUT 57635
#define IDM_PASTE 57637
#define IDM_UNDO 57643
#define IDM_EXIT 57665
#define IDM_NEXT_PANE 57680
#define IDM_PREVIOUS_PANE 57681

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
