// Progress report of the archive reader. The file installation defines it:
// it turns the archive's read position into the overall percentage.
#pragma once

// Called by the decoder after every full history window and every stored
// piece with commit false. The decoder relies on nothing that it does.
void ReportArchiveProgress(int archive, bool commit);
