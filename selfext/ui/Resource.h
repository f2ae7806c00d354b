// Control ids shared by the resource script and the dialog procedures.
#ifndef SELFEXT_RESOURCE_H
#define SELFEXT_RESOURCE_H

// Main dialog "SEMainDialogClass".
#define IDC_PATH 101
#define IDC_PATH_LABEL 100
#define IDC_LIST 301
#define IDC_STORED_PATHS 401
#define IDC_OVERWRITE 501
#define IDC_SKIP 502
#define IDC_CONFIRM 503
#define IDC_SELECT_ALL 121
#define IDC_UNSELECT_ALL 122
#define IDC_STATUS 601
#define IDC_BROWSE 775

// Directory chooser "SETDIR" and "DLGNEW".
#define IDC_DIR_LABEL 2000
#define IDC_DIR_PATH 2001
#define IDC_DIR_NETWORK 2002
#define IDC_DIR_LIST 2003
#define IDC_DIR_NEW 2004
#define IDC_NEW_BASE 3001
#define IDC_NEW_NAME 3002

// "FILEEXIST" and "PWD" reuse the main dialog's numbers.
#define IDC_QUESTION 101
#define IDC_DONT_ASK 401
#define IDC_PASSWORD 101

// "PROGRESSBAR".
#define IDC_PROGRESS_TEXT 1
#define IDC_PROGRESS_BAR 2
#define IDC_PROGRESS_CANCEL 3

#endif
