// Diskette images: FAT12 images that PC emulators and virtual machines mount
// as drive A:, made with mtools (mformat, mcopy) from a diskette folder.
#pragma once
#include <string>

#include "authoring/distpack/diskette_format.h"

// Writes image as a diskette of the format (which must have an image size)
// holding the tree of dir, names and times as they are there. The image's
// serial number and its own times come from serial and epoch, so that the
// same folder always gives the same bytes. False with a message naming the
// step that failed.
bool WriteDisketteImage(const DisketteFormat& format, const std::string& dir, const std::string& image,
                        unsigned serial, long long epoch, std::string* error);
