// The names entries may have: relative paths with '/' between the parts,
// short enough for the reader, that the installer accepts and Windows can
// create.
#pragma once

// Null when name can be an entry's name; else why not, as a phrase that
// follows the name ("is longer than 259 characters").
const char* EntryNameProblem(const char* name);
