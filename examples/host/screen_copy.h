// A copy of a screen area as a bitmap, and the bitmap as a BMP file.
#ifndef EXAMPLES_HOST_SCREEN_COPY_H
#define EXAMPLES_HOST_SCREEN_COPY_H

#include <windows.h>

// Copies the pixels of a screen area (left, top, width, height) into a new
// 24-bit bitmap; NULL when it cannot be made. Delete it with DeleteObject.
HBITMAP CopyScreenArea(int left, int top, int width, int height);
// Writes a bitmap as an uncompressed 24-bit BMP file; false on failure.
bool SaveBitmapAsBmp(HBITMAP bitmap, const char *path);

#endif
