#include <gtest/gtest.h>

#include "areacap/incl_rect.h"

TEST(InclRect, ClearedRectangleIsEmptyWithZeroSizeAndNoPoints)
{
    InclRect r = kClearedRect;
    EXPECT_TRUE(RectIsEmpty(r));
    EXPECT_EQ(0, RectWidth(r));
    EXPECT_EQ(0, RectHeight(r));
    for (int y = -1; y <= 2; y++)
        for (int x = -1; x <= 2; x++)
            EXPECT_FALSE(RectContainsPoint(Point{x, y}, r)) << x << "," << y;
}

TEST(InclRect, OnePixelRectangleHoldsExactlyItsPixel)
{
    InclRect r = {5, 5, 5, 5};
    EXPECT_FALSE(RectIsEmpty(r));
    EXPECT_EQ(1, RectWidth(r));
    EXPECT_EQ(1, RectHeight(r));
    for (int y = 4; y <= 6; y++)
        for (int x = 4; x <= 6; x++)
            EXPECT_EQ(x == 5 && y == 5, RectContainsPoint(Point{x, y}, r)) << x << "," << y;
}

TEST(InclRect, EmptyWhenEitherAxisIsReversed)
{
    EXPECT_TRUE(RectIsEmpty(InclRect{0, 0, -1, 5}));
    EXPECT_TRUE(RectIsEmpty(InclRect{0, 0, 5, -1}));
    EXPECT_FALSE(RectIsEmpty(InclRect{-5, -5, -5, -5}));
}

TEST(InclRect, ClampAppliesLowerThenUpperBound)
{
    Point p = {-3, 200};
    RectClampPoint(p, InclRect{0, 0, 99, 49});
    EXPECT_EQ(0, p.x);
    EXPECT_EQ(49, p.y);

    Point q = {7, 7};
    RectClampPoint(q, InclRect{10, 10, 5, 5});   // empty: the upper bound wins
    EXPECT_EQ(5, q.x);
    EXPECT_EQ(5, q.y);

    Point inside = {3, 4};
    RectClampPoint(inside, InclRect{0, 0, 9, 9});
    EXPECT_EQ(3, inside.x);
    EXPECT_EQ(4, inside.y);
}

TEST(InclRect, OffsetMovesAllFourFields)
{
    InclRect r = {0, 0, 9, 9};
    RectOffset(r, -10, 3);
    EXPECT_TRUE(RectEquals(r, InclRect{-10, 3, -1, 12}));
    EXPECT_EQ(10, RectWidth(r));
}

TEST(InclRect, EqualityComparesFieldsNotAreas)
{
    EXPECT_TRUE(RectIsEmpty(InclRect{0, 0, 0, -1}));
    EXPECT_FALSE(RectEquals(InclRect{0, 0, 0, -1}, kClearedRect));
    EXPECT_TRUE(RectEquals(InclRect{1, 2, 3, 4}, InclRect{1, 2, 3, 4}));
    EXPECT_FALSE(RectEquals(InclRect{1, 2, 3, 4}, InclRect{1, 2, 3, 5}));
    EXPECT_FALSE(RectEquals(InclRect{1, 2, 3, 4}, InclRect{0, 2, 3, 4}));
}

TEST(InclRect, RectangleFromPointsIsNormalised)
{
    EXPECT_TRUE(RectEquals(InclRect{10, 20, 30, 40}, RectFromPoints(Point{30, 20}, Point{10, 40})));
    EXPECT_TRUE(RectEquals(InclRect{10, 20, 30, 40}, RectFromPoints(Point{30, 40}, Point{10, 20})));
    EXPECT_TRUE(RectEquals(InclRect{7, 7, 7, 7}, RectFromPoints(Point{7, 7}, Point{7, 7})));
}
