// Numbers of the module's resources; the code loads every resource by number.
#pragma once

#define IDS_NORMAL_FONT   5
#define IDS_BOLD_FONT     103
#define IDI_APP_ICON      102
#define IDI_ALERT_ICON    204
#define IDI_ERROR_ICON    214
#define IDI_INFO_ICON     215
#define IDI_WARNING_ICON  216
#define IDB_CLOSE_DOWN    219
#define IDB_CLOSE_UP      220
#define IDD_PROMPT_DIALOG 202
