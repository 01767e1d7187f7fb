// Installation of the selected distribution archives into their destination
// directories: passes over the source directory with a diskette prompt
// between them, the replace modes of existing files, per-entry decoding,
// stamping and CRC check, and the overall progress shown by the percent bars.
#pragma once

// Installs every archive whose toInstall flag is set. True when all of them
// are installed; false when the installation must stop, with the reason in
// finishMessage.
bool InstallArchives();

// Installs one archive file; entryIndex is its ArchiveEntry.
bool InstallArchive(const char* archivePath, int entryIndex);

// Creates one output file and fills it from the current entry of archive.
bool ExtractEntry(int archive, char* destinationPath, const char* archiveName);

// Some ArchiveEntry still has toInstall set.
bool AnyArchivePending();

// Recomputes the overall progress from the read position of archive and
// shows it; commit makes it the finished share of the archive.
void ReportArchiveProgress(int archive, bool commit);

// Writes into finishMessage the text of format (one "%s") with name inserted,
// lower-cased; a long name is shortened in its middle so that the text and
// the appended "Installation process is terminated." always fit.
void SetFinishMessageWithName(const char* format, const char* name);
