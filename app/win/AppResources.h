#pragma once
// Identifiers shared by the resource script, the windows and the window
// tests. Plain macros: the resource compiler reads this file too.

// Pictures and texts (RCDATA unless said otherwise), by name.
#define VELMORA_RES_TOOLBAR "TOOLBAR_IMAGES"  // BITMAP: the five 32 x 32 toolbar images
#define VELMORA_RES_BANNER "BANNER"
#define VELMORA_RES_ABOUT "ABOUT_PICTURE"
#define VELMORA_RES_LICENSE "LICENSE_TEXT"
#define VELMORA_RES_NSIS_LICENSE "NSIS_LICENSE_TEXT"

// The menu item and the caption of the window it opens.
#define VELMORA_TEXT_ABOUT_NSIS "About NSIS"

#define IDR_MAINMENU 100

// Menu commands.
#define IDM_EXIT 200
#define IDM_CHECK_FOR_UPDATES 210
#define IDM_CONNECTION_SETTINGS 211
#define IDM_CHECK_ON_STARTUP 212
#define IDM_RAW_SMART_DATA 220
#define IDM_ABOUT 221
#define IDM_LICENSE 222
#define IDM_ABOUT_NSIS 223
#define IDM_HEALTH_HISTORY 224

// Main window controls. The ten value fields follow FieldId's order.
#define IDC_FIELD_FIRST 1001  // EModel ... ETemperature: 1001 ... 1010
#define IDC_GAUGE 1020        // CGSSD_Life
#define IDC_STATUS 1021       // IStatus
#define IDC_BANNER 1022       // Image1
#define IDC_TOOLBAR 1030      // ToolBar1
#define IDC_DRIVE_BUTTON_FIRST 1041  // TBDrive1 ... TBDrive4: 1041 ... 1044
#define IDC_REFRESH_BUTTON 1045      // TBUpdate
#define IDC_LABEL_FIRST 1101

// Raw SMART data window.
#define IDC_RAW_TEXT 1201    // MText
#define IDC_RAW_SAVE 1202    // Button1
#define IDC_RAW_CLOSE 1203   // Button2

// Health history window.
#define IDC_HISTORY_CHART 1701
#define IDC_HISTORY_TEXT 1702   // the sentence, or the message shown instead of the chart
#define IDC_HISTORY_CLOSE 1703

// Information windows.
#define IDC_INFO_PICTURE 1301  // Image1 of the about window
#define IDC_INFO_TEXT 1302     // Memo1

// Message box parts.
#define IDC_BOX_ICON 1401
#define IDC_BOX_TEXT 1402

// Start-up question TFCheckForUpdates (the buttons are IDYES and IDNO).
#define IDC_QUESTION_IMAGE 1501  // Image1
#define IDC_QUESTION_TEXT 1502   // Label1
#define IDC_DONT_ASK 1503        // CBDontAsk

// Connection settings TFProxySetup (Button2 is IDCANCEL).
#define IDC_PROXY_GROUP 1601     // GroupBox1
#define IDC_USE_PROXY 1602       // CBUseHTTP_Proxy
#define IDC_PROXY_ADDRESS_LABEL 1603  // LAddress
#define IDC_PROXY_ADDRESS 1604   // EAddress
#define IDC_PROXY_PORT_LABEL 1605     // LPort
#define IDC_PROXY_PORT 1606      // EPort
#define IDC_PROXY_SAVE 1607      // BSave
