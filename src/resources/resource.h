// Ids of the dialog templates and their controls; included by the resource
// script and by the code, so the two cannot disagree.
#pragma once

#define IDD_INSTALLER_DIALOG 103
#define IDD_TCPIP_PORT_DIALOG 129
#define IDD_PARALLEL_PORT_DIALOG 137
#define IDD_SERIAL_PROMPT 136

#define IDC_DRIVER_COMBO 1000
#define IDC_PRINTER_NAME 1001
#define IDC_SET_DEFAULT 1002
#define IDC_PORT_HINT 1003
#define IDC_PORT_LIST 1004
#define IDC_PROGRESS 1007
#define IDC_PORT_GROUP 1008
#define IDC_DRIVER_LABEL 1009
#define IDC_PRINTER_LABEL 1010
#define IDC_STATUS 1011
#define IDC_INSTALL 1012
#define IDC_SERIAL_YES 1030
#define IDC_BAUD_RATE 1034
#define IDC_SERIAL_NO 1036

// The port dialogs (their list is IDC_PORT_LIST as well).
#define IDC_ADD_PORT 1029
#define IDC_PORT_PROMPT 1030
#define IDC_CONFIGURE_PORT 1031
#define IDC_DELETE_PORT 1032
#define IDC_CHOOSE_PORT 1037
#define IDC_DISMISS_PORT 1039

#define IDR_MANIFEST 1
#define IDI_MAINFRAME 128
