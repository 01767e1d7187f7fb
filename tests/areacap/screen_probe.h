// Reading the screen back for the capture tool's tests: a full-screen
// backdrop window with a known pattern, snapshots of screen areas, and PNG
// output of a snapshot for a person to look at.
#ifndef TESTS_AREACAP_SCREEN_PROBE_H
#define TESTS_AREACAP_SCREEN_PROBE_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct Snapshot {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;   // 0x00RRGGBB, top row first

    uint32_t At(int sx, int sy) const { return pixels[(sy - y) * width + (sx - x)]; }
};

// The colour that the backdrop shows at a screen pixel: every two
// neighbouring pixels differ.
uint32_t BackdropColour(int x, int y);
// Creates (once) and shows the full-screen backdrop window of this thread.
HWND ShowBackdrop();
void HideBackdrop();
// Reads an area of the screen.
Snapshot ReadScreen(int x, int y, int width, int height);
// Writes a snapshot as a PNG file; false on failure.
bool WritePng(const Snapshot &shot, const std::string &path);

#endif
