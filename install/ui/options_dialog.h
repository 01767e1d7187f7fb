// The options dialog ("InstChck"): the script's check boxes, six at a time
// with a scroll bar for longer lists, and the "Install from" and
// "Install to" directories.
#pragma once
#include <windows.h>

// Runs the dialog modally, owned by the main window. Confirmed: sourceDir,
// destinationDir, the check-box states and every archive's toInstall are
// set, the speed level is applied, and the result is true. Cancelled: false.
// When the dialog cannot be created at all the result is false as well, with
// "Available memory is not enough. " written into finishMessage.
bool ShowOptionsDialog();

// Index of the first visible check box; kept between uses of the dialog.
extern int firstVisibleCheckBox;
