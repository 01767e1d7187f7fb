// The file installation reports archive progress in the program; the tests
// count the decoder's reports instead.
#include "install/archive/archive_progress.h"

int progressReports = 0;

void ReportArchiveProgress(int, bool)
{
    ++progressReports;
}
