// Resource numbers of the program's dialogs, controls and pictures, shared by
// the resource scripts and the code. Dialogs and controls are known by these
// numbers; the GUI tests find the controls by them too.
#pragma once

// Dialogs.
#define IDD_DISCLAIMER 111
#define IDD_PASSWORD 112
#define IDD_MAIN_LAYOUT 113
#define IDD_MAIN_PLAIN 114
#define IDD_PROGRESS 115
#define IDD_MESSAGE_VIEW 116
#define IDD_FOLDER 117

// Pictures.
#define IDR_PROGRAM_ICON 111
#define IDR_OPEN_FOLDER 110
#define IDR_PAPER_CLIP 118
#define IDR_POINTING_HAND 108

// Controls of the disclaimer (111); 1 accepts, 2 declines.
#define IDC_DISCLAIMER_TEXT 1018

// Password dialog (112).
#define IDC_PASSWORD_EDIT 201
#define IDC_PASSWORD_PROMPT 203
#define IDC_PASSWORD_ICON 22002

// Main dialogs (113 with the package's layout, 114 without).
#define IDC_MAIN_DECRYPT 1028
#define IDC_MAIN_DOWNLOAD 1029
#define IDC_MAIN_ORDER 1030
#define IDC_MAIN_WEB 1031
#define IDC_MAIN_INFO 1020
#define IDC_MAIN_PICTURE 1019
#define IDC_MAIN_PICTURE_FRAME 1011
#define IDC_MAIN_LINK 1021

// Progress window (115).
#define IDC_PROGRESS_BAR 2006
#define IDC_PROGRESS_TEXT 2007
#define IDC_PROGRESS_ICON 2011

// Message view (116); 1 closes.
#define IDC_MESSAGE_SAVE_ATTACHMENTS 1027
#define IDC_MESSAGE_SAVE_TEXT 1032
#define IDC_MESSAGE_COPY 1040
#define IDC_MESSAGE_TEXT 1026
#define IDC_MESSAGE_ICON 22002
#define IDC_MESSAGE_ATTACHMENTS 1039
#define IDC_MESSAGE_TEXT_LABEL 1042
#define IDC_MESSAGE_CLIP 1041

// Folder dialog (117); 1 saves, 2 cancels.
#define IDC_FOLDER_EDIT 107
#define IDC_FOLDER_BROWSE 1035
#define IDC_FOLDER_ICON 2011
#define IDC_FOLDER_FILES 1037

// The window class of the link control, as the dialog scripts name it.
#define HYPERLINK_CLASS_NAME "_MyHyperLinkClass_"

#ifdef RC_INVOKED
// Every dialog is a centred modal box with a close box.
#define MV_DIALOG_STYLE DS_MODALFRAME | DS_CENTER | DS_SETFOREGROUND | WS_POPUP | WS_CAPTION | WS_SYSMENU
#define MV_SEPARATOR(x, y, cx) CONTROL "", -1, "Static", SS_ETCHEDHORZ, x, y, cx, 1
#endif
