// Control identifiers of the installer's dialog templates (install.rc).
// Included by the resource script and by the dialog code. Identifiers the
// platform defines (IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7) keep their values.
#pragma once

// Shared by several templates.
#define IDC_STATIC_TEXT -1

// "InstChck": the options dialog.
#define IDC_CHECK_FIRST 101        // six check boxes, 101 to 106
#define IDC_CHECK_LAST 106
#define IDC_CHECK_SCROLL 170
#define IDC_SOURCE_FIELD 110       // also the directory field of "InstDisk"
#define IDC_DESTINATION_FIELD 111

// "InstInfo": the information panel.
#define IDC_PATH_FRAME 160         // frames the two path lines; arrow to its right
#define IDC_FILE_FRAME 120
#define IDC_SOURCE_LINE 122
#define IDC_DESTINATION_LINE 123
#define IDC_FILE_LINE 124          // also the question line of "InstFile"
#define IDC_PANEL_ICON 140         // also the icon place of "InstFile"

// "InstFile": the overwrite prompt.
#define IDC_QUESTION_LINE 124
#define IDC_ICON_PLACE 140
#define IDC_ANSWER_YES 6
#define IDC_ANSWER_NO 7
#define IDC_ANSWER_YES_TO_ALL 130
#define IDC_ANSWER_NO_TO_ALL 131

// "InstProg": the Program Manager group choice.
#define IDC_PRODUCT_NAME 125
#define IDC_GROUP_FIELD 112
#define IDC_GROUP_LIST 150
#define IDC_DEFAULT_GROUP 132
