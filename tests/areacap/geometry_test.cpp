#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "areacap/geometry.h"

namespace {

// Counts how often each pixel is covered by a set of strips.
std::map<std::pair<int, int>, int> Coverage(const Strip *strips, int n)
{
    std::map<std::pair<int, int>, int> count;
    for (int i = 0; i < n; i++) {
        EXPECT_GT(strips[i].width, 0);
        EXPECT_GT(strips[i].height, 0);
        for (int y = strips[i].y; y < strips[i].y + strips[i].height; y++)
            for (int x = strips[i].x; x < strips[i].x + strips[i].width; x++)
                count[std::make_pair(x, y)]++;
    }
    return count;
}

int At(std::map<std::pair<int, int>, int> &count, int x, int y)
{
    return count[std::make_pair(x, y)];
}

void ExpectOutlineCoversBorderOnce(const InclRect &r)
{
    Strip strips[4];
    int n = OutlineStrips(r, strips);
    auto count = Coverage(strips, n);
    size_t expected = 0;
    for (int y = r.top; y <= r.bottom; y++)
        for (int x = r.left; x <= r.right; x++) {
            bool border = x == r.left || x == r.right || y == r.top || y == r.bottom;
            if (border) {
                expected++;
                EXPECT_EQ(1, At(count, x, y)) << "pixel " << x << "," << y;
            }
        }
    size_t covered = 0;
    for (auto &c : count)
        covered += c.second > 0;
    EXPECT_EQ(expected, covered);
}

}  // namespace

TEST(Outline, EveryBorderPixelIsInvertedExactlyOnce)
{
    ExpectOutlineCoversBorderOnce(InclRect{10, 20, 30, 40});
    ExpectOutlineCoversBorderOnce(InclRect{10, 20, 30, 20});   // one row
    ExpectOutlineCoversBorderOnce(InclRect{10, 20, 10, 40});   // one column
    ExpectOutlineCoversBorderOnce(InclRect{5, 5, 5, 5});       // one pixel
    ExpectOutlineCoversBorderOnce(InclRect{5, 5, 6, 6});       // 2 x 2
    ExpectOutlineCoversBorderOnce(InclRect{5, 5, 7, 5});       // three pixels in a row
    ExpectOutlineCoversBorderOnce(InclRect{-4, -4, 3, 2});
}

TEST(Outline, EmptyRectangleDrawsNothing)
{
    Strip strips[4];
    EXPECT_EQ(0, OutlineStrips(kClearedRect, strips));
    EXPECT_EQ(0, OutlineStrips(InclRect{0, 0, 0, -1}, strips));
}

TEST(HighlightFrame, ThreePixelBorderInvertedOnce)
{
    Box r = {0, 0, 40, 20};
    Strip strips[4];
    int n = HighlightFrameStrips(r, strips);
    EXPECT_EQ(4, n);
    auto count = Coverage(strips, n);
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 40; x++) {
            bool border = x < 3 || x >= 37 || y < 3 || y >= 17;
            EXPECT_EQ(border ? 1 : 0, At(count, x, y)) << x << "," << y;
        }
    EXPECT_EQ(0, At(count, 40, 0));
    EXPECT_EQ(0, At(count, 0, 20));
}

TEST(HighlightFrame, EmptyAndTinyRectangles)
{
    Strip strips[4];
    EXPECT_EQ(0, HighlightFrameStrips(Box{0, 0, 0, 10}, strips));
    EXPECT_EQ(0, HighlightFrameStrips(Box{0, 0, 10, 0}, strips));
    EXPECT_EQ(0, HighlightFrameStrips(Box{5, 5, 4, 9}, strips));
    // Too low for side strips: only the top and bottom bands, no negative sizes.
    int n = HighlightFrameStrips(Box{0, 0, 10, 6}, strips);
    EXPECT_EQ(2, n);
    for (int i = 0; i < n; i++) {
        EXPECT_GT(strips[i].width, 0);
        EXPECT_GT(strips[i].height, 0);
    }
}

TEST(Layout, ButtonsFillTheToolbarOfTheStandardWindow)
{
    // The standard window: client 128 x 163 at (17, 17) inside a 1-pixel border.
    Box window = {16, 16, 16 + 130, 16 + 165};
    Box b[kButtonCount];
    LayoutButtons(window, 1, 1, b);
    for (int i = 0; i < kButtonCount; i++) {
        EXPECT_EQ(17 + 32 * i, b[i].left) << i;
        EXPECT_EQ(17 + 32 * i + 32, b[i].right) << i;
        EXPECT_EQ(16 + 1 + 2, b[i].top) << i;   // client row 2
        EXPECT_EQ(16 + 1 + 2 + 30, b[i].bottom) << i;
    }
    Box drag = DragArea(window);
    EXPECT_EQ(16 + 34, drag.top);
    EXPECT_EQ(window.bottom, drag.bottom);
    EXPECT_EQ(window.left, drag.left);
    EXPECT_EQ(window.right, drag.right);
    EXPECT_EQ(16 + 33, ToolbarBand(window).bottom);
    EXPECT_EQ(16, ToolbarBand(window).top);
}

TEST(Layout, WiderWindowSpreadsButtonsWithEqualGaps)
{
    Box window = {0, 0, 128 + 2 + 10, 165};   // 10 extra pixels: gap (140 - 128) / 5 = 2
    Box b[kButtonCount];
    LayoutButtons(window, 1, 1, b);
    EXPECT_EQ(1 + 2, b[0].left);
    EXPECT_EQ(1 + 2 + 34, b[1].left);
    EXPECT_EQ(1 + 2 + 3 * 34, b[3].left);
}

TEST(Layout, MagnifierIsTheSquareAtTheBottom)
{
    Box m = MagnifierArea(128, 163);
    EXPECT_EQ(0, m.left);
    EXPECT_EQ(35, m.top);
    EXPECT_EQ(128, m.right);
    EXPECT_EQ(163, m.bottom);
}

TEST(Magnifier, SourceIsCentredOnTheCursorAndKeptOnTheDesktop)
{
    Box desktop = {0, 0, 1024, 768};
    Box m = MagnifierArea(128, 163);
    Strip s = MagnifierSource(Point{500, 400}, desktop, m, 4);
    EXPECT_EQ(32, s.width);
    EXPECT_EQ(32, s.height);
    EXPECT_EQ(500 - 16, s.x);
    EXPECT_EQ(400 - 16, s.y);

    s = MagnifierSource(Point{0, 0}, desktop, m, 4);
    EXPECT_EQ(0, s.x);
    EXPECT_EQ(0, s.y);
    // The centre stops at the last column of the shrunk (inclusive) desktop,
    // so the source ends one pixel before the screen's edge.
    s = MagnifierSource(Point{1023, 767}, desktop, m, 4);
    EXPECT_EQ(1024 - 16 - 1 - 16, s.x);
    EXPECT_EQ(768 - 16 - 1 - 16, s.y);

    s = MagnifierSource(Point{1023, 767}, desktop, m, 1);
    EXPECT_EQ(128, s.width);
    EXPECT_EQ(1024 - 64 - 1 - 64, s.x);
    EXPECT_EQ(768 - 64 - 1 - 64, s.y);

    s = MagnifierSource(Point{100, 100}, desktop, m, 8);
    EXPECT_EQ(16, s.width);
    EXPECT_EQ(92, s.x);
}

TEST(Magnifier, CentreMarkerCoversTheEnlargedCursorPixel)
{
    Box m = MagnifierArea(128, 163);
    for (int32_t z = 1; z <= 8; z *= 2) {
        Strip c = CentreMarker(m, z);
        EXPECT_EQ(64, c.x);
        EXPECT_EQ(99, c.y);
        EXPECT_EQ(z, c.width);
        EXPECT_EQ(z, c.height);
        // The cursor pixel is the source's column sw / 2, drawn at that column
        // times the magnification.
        EXPECT_EQ((128 / z) / 2 * z, c.x);
    }
}

TEST(Zoom, StopsAtEightAndOne)
{
    EXPECT_EQ(8, ZoomIn(4));
    EXPECT_EQ(8, ZoomIn(8));
    EXPECT_EQ(2, ZoomIn(1));
    EXPECT_EQ(2, ZoomOut(4));
    EXPECT_EQ(1, ZoomOut(2));
    EXPECT_EQ(1, ZoomOut(1));
}

TEST(ButtonBitmap, CentredAndShiftedWhenPressed)
{
    Box item = {0, 2, 32, 32};
    Point p = ButtonBitmapOrigin(item, 22, 22, false);
    EXPECT_EQ(5, p.x);
    EXPECT_EQ(6, p.y);
    p = ButtonBitmapOrigin(item, 21, 21, true);
    EXPECT_EQ(1 + 5, p.x);   // (32 - 21) / 2 = 5
    EXPECT_EQ(2 + 1 + 4, p.y);
}

TEST(ArrowKeys, MoveAndResizeByOnePixel)
{
    Box desktop = {0, 0, 1024, 768};
    InclRect s = {10, 20, 30, 40};
    EXPECT_TRUE(RectEquals(InclRect{9, 20, 29, 40}, ApplyArrowKey(s, kKeyLeft, false, desktop)));
    EXPECT_TRUE(RectEquals(InclRect{11, 20, 31, 40}, ApplyArrowKey(s, kKeyRight, false, desktop)));
    EXPECT_TRUE(RectEquals(InclRect{10, 19, 30, 39}, ApplyArrowKey(s, kKeyUp, false, desktop)));
    EXPECT_TRUE(RectEquals(InclRect{10, 21, 30, 41}, ApplyArrowKey(s, kKeyDown, false, desktop)));
    EXPECT_TRUE(RectEquals(InclRect{10, 20, 29, 40}, ApplyArrowKey(s, kKeyLeft, true, desktop)));
    EXPECT_TRUE(RectEquals(InclRect{10, 20, 31, 40}, ApplyArrowKey(s, kKeyRight, true, desktop)));
    EXPECT_TRUE(RectEquals(InclRect{10, 20, 30, 39}, ApplyArrowKey(s, kKeyUp, true, desktop)));
    EXPECT_TRUE(RectEquals(InclRect{10, 20, 30, 41}, ApplyArrowKey(s, kKeyDown, true, desktop)));
    EXPECT_TRUE(RectEquals(s, ApplyArrowKey(s, 65, false, desktop)));
}

TEST(ArrowKeys, StopAtTheScreenEdges)
{
    Box desktop = {0, 0, 1024, 768};
    InclRect s = {0, 0, 1023, 767};
    EXPECT_TRUE(RectEquals(s, ApplyArrowKey(s, kKeyLeft, false, desktop)));
    EXPECT_TRUE(RectEquals(s, ApplyArrowKey(s, kKeyUp, false, desktop)));
    EXPECT_TRUE(RectEquals(s, ApplyArrowKey(s, kKeyRight, false, desktop)));
    EXPECT_TRUE(RectEquals(s, ApplyArrowKey(s, kKeyDown, false, desktop)));
    EXPECT_TRUE(RectEquals(s, ApplyArrowKey(s, kKeyRight, true, desktop)));
    EXPECT_TRUE(RectEquals(s, ApplyArrowKey(s, kKeyDown, true, desktop)));
    // Shrinking still works at the edge.
    EXPECT_TRUE(RectEquals(InclRect{0, 0, 1022, 767}, ApplyArrowKey(s, kKeyLeft, true, desktop)));
}

TEST(ArrowKeys, ShrinkingAOnePixelWideSelectionEmptiesIt)
{
    Box desktop = {0, 0, 1024, 768};
    InclRect s = ApplyArrowKey(InclRect{50, 50, 50, 60}, kKeyLeft, true, desktop);
    EXPECT_TRUE(RectIsEmpty(s));
}
