#pragma once
// Resource ids of the settings sheet's pages, the small modal dialogs and the
// key-generation dialog. Control ids repeat across templates (1002, 1003, 1004),
// so each name carries its dialog.

// Dialog templates
#define IDD_NETWORK_PAGE       131
#define IDD_DESTINATION_DIALOG 132
#define IDD_FORMAT_PAGE        133
#define IDD_EXIT_DIALOG        137
#define IDD_MISC_PAGE          138
#define IDD_PASSWORD_DIALOG    139
#define IDD_GENERATING_RSA_KEY 141
#define IDD_OPTION_SEND_PAGE   143

// Network page (131)
#define IDC_NET_ADD            1002
#define IDC_NET_PORT           1003
#define IDC_NET_DELETE         1004
#define IDC_NET_MODIFY         1005
#define IDC_NET_DESTINATIONS   1007
#define IDC_NET_SET_PASSWORD   1038
#define IDC_NET_PASSWORD_STATE 1040
#define IDC_NET_SERVER         1054
#define IDC_NET_RSA            1056

// Destination dialog (132)
#define IDC_DEST_PORT           1003
#define IDC_DEST_NAME           1010
#define IDC_DEST_IPV4           1042
#define IDC_DEST_IPV6           1043
#define IDC_DEST_PROTOCOL_LABEL 1050
#define IDC_DEST_NOTE           1051

// Formats page (133)
#define IDC_FMT_ADD               1002
#define IDC_FMT_DELETE            1004
#define IDC_FMT_SEND_FORMATS      1011
#define IDC_FMT_CLIPBOARD_FORMATS 1014

// Exit dialog (137)
#define IDC_EXIT_DELETE_SETTINGS 1028

// Display page (138)
#define IDC_MISC_ONSTART_WINDOW   1032
#define IDC_MISC_ONSTART_BALLOON  1033
#define IDC_MISC_BALLOON_ON_CLOSE 1034
#define IDC_MISC_ONSTART_SILENT   1036

// Password dialog (139)
#define IDC_PWD_PASSWORD 1039
#define IDC_PWD_CONFIRM  1041

// Key-generation dialog (141)
#define IDC_KEYGEN_STATUS       1057
#define IDC_KEYGEN_PUBLIC_KEYS  1060
#define IDC_KEYGEN_PRIVATE_KEYS 1061
#define IDC_KEYGEN_ELAPSED      1062
#define IDC_KEYGEN_NOTE         1063
#define IDC_KEYGEN_SEARCH1      1071
#define IDC_KEYGEN_SEARCH2      1072

// Send-method page (143)
#define IDC_SEND_DELAY         1065
#define IDC_SEND_NODELAY_TEXT  1068
#define IDC_SEND_NODELAY_LABEL 1069
#define IDC_SEND_FORMATS       1070
