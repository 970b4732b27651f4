#pragma once
// Resource ids of the main window: application icon and tray menu, tray
// icons, main dialog, string table. (The settings dialogs: SettingsResource.h.)

#define IDR_MAINFRAME   128  // application icon and the tray menu
#define IDD_MAIN_DIALOG 135

// Tray icons by sender state s and receiver state r (see CMainFrame::TrayIconId).
#define IDI_TRAY_S0_R0 138
#define IDI_TRAY_S1_R0 139
#define IDI_TRAY_S2_R0 140
#define IDI_TRAY_S1_R1 141
#define IDI_TRAY_S0_R1 142
#define IDI_TRAY_S2_R1 143
#define IDI_TRAY_S1_R2 144
#define IDI_TRAY_S0_R2 145
#define IDI_TRAY_S2_R2 146

// Strings
#define IDP_OLE_INIT_FAILED     100
#define IDP_SOCKETS_INIT_FAILED 104
// 57344 (0xE000, AFX_IDS_APP_TITLE): the application title

// Main dialog (135)
#define IDC_MAIN_CLEAR_LOG    1016
#define IDC_MAIN_SETTINGS     1017
#define IDC_MAIN_STATUS_IPV4  1019
#define IDC_MAIN_STATUS_IPV6  1020
#define IDC_MAIN_LOG          1021
#define IDC_MAIN_END_RESIDENT 1027
#define IDC_MAIN_CLOSE        1035
#define IDC_MAIN_HELP         1037
#define IDC_MAIN_VERSION      1041
#define IDC_MAIN_IPV6_LABEL   1048

// Tray menu commands (menu 128); ID_TRAY_OPEN is also posted by the start-event watcher.
#define ID_TRAY_OPEN 32778
#define ID_TRAY_EXIT 32780
