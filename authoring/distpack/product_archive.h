// One archive of a distribution made from its product folder.
#pragma once
#include <string>
#include <vector>

#include "authoring/arjx/archive_builder.h"

// Packs the whole tree of folder into the archive at path, names relative
// to the folder; entries whose names match a glob are text entries. The
// main header's time comes from SOURCE_DATE_EPOCH when it is set. False with
// the reason (naming the file concerned) in error, nothing left at path.
bool PackProductFolder(const std::string& folder, const std::string& path, int method,
                       const std::vector<std::string>& textGlobs, BuildSummary* summary, std::string* error);

// The newest modification time (seconds since 1970) of the files below
// folder, 0 when there are none.
long long NewestFileTime(const std::string& folder);
