// Everything the file installation uses of the archive reader.
#pragma once
#include "install/archive/arj_header.h"
#include "install/archive/crc32.h"
#include "install/archive/entry_decoder.h"
