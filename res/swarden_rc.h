// Resource and control identifiers, shared by the resource script and the
// code that addresses the main dialog.
#ifndef SAVEWARDEN_RC_H
#define SAVEWARDEN_RC_H

#define IDD_MAIN_DIALOG        101
#define IDI_SAVEWARDEN         102
#define IDD_HELP_WINDOW        103
#define IDR_HELP_TEXT          104
#define IDD_BACKUPS_WINDOW     105

#define IDC_WINDOW_TITLE       1000
#define IDC_DIRECTORY          1001
#define IDC_CHARACTER          1002
#define IDC_MINUTES            1003
#define IDC_SECONDS            1004
#define IDC_GO                 1005
#define IDC_RESTORE            1006
#define IDC_EXIT               1007
#define IDM_ABOUT              1008
#define IDC_HELP_BUTTON        1011
#define IDC_SAVE_PATH          1012
#define IDC_SAVE_NUMBER        1013
#define IDC_HELP_TEXT          1014   // in the help window
#define IDC_BACKUP_LIST        1015   // in the Backups window
#define IDC_BACKUP_RESTORE     1016   // in the Backups window
#define IDM_BACKUPS            1024

#endif
