// Rectangle rules shared by the editor: union, intersection and clipping.
#include <gtest/gtest.h>

#include "gui/records.h"

using namespace gui;

namespace {

TEST(RectRules, UnionWithTheEmptyRectangleIsTheOther) {
  const Rect r{10, 20, 30, 40};
  EXPECT_EQ(Rect{}.Union(r), r);
  EXPECT_EQ(r.Union(Rect{}), r);
  EXPECT_EQ(r.Union(Rect{0, 0, 5, 5}), (Rect{0, 0, 30, 40}));
  EXPECT_EQ(r.Union(Rect{50, 5, 60, 25}), (Rect{10, 5, 60, 40}));
  EXPECT_TRUE(Rect{}.IsEmpty());
  EXPECT_FALSE((Rect{5, 5, 5, 5}).IsEmpty()) << "only all four fields 0 is the empty rectangle";
}

TEST(RectRules, IntersectionCountsTouchingRightAndBottomEdges) {
  const Rect a{0, 0, 10, 10};
  EXPECT_TRUE(a.Intersects(Rect{10, 0, 20, 10})) << "a.right >= b.left";
  EXPECT_FALSE((Rect{10, 0, 20, 10}).Intersects(a)) << "a.left < b.right fails";
  EXPECT_TRUE(a.Intersects(Rect{0, 10, 10, 20}));
  EXPECT_FALSE(a.Intersects(Rect{11, 0, 20, 10}));
  EXPECT_FALSE(a.Intersects(Rect{}));
  EXPECT_FALSE(Rect{}.Intersects(Rect{}));
  EXPECT_TRUE(a.Intersects(Rect{-5, -5, 1, 1}));
}

TEST(RectRules, ClipIsTheOverlapOrEmpty) {
  const Rect a{0, 0, 10, 10};
  EXPECT_EQ(a.Clip(Rect{5, -3, 20, 4}), (Rect{5, 0, 10, 4}));
  EXPECT_EQ(a.Clip(Rect{20, 20, 30, 30}), Rect{});
  EXPECT_EQ(a.Clip(Rect{}), Rect{});
  EXPECT_EQ(a.Clip(Rect{10, 2, 12, 3}), (Rect{10, 2, 10, 3}));
}

TEST(RectRules, HitTestsExcludeRightAndBottom) {
  const Rect r{10, 20, 36, 46};
  EXPECT_TRUE(r.Contains(10, 20));
  EXPECT_TRUE(r.Contains(35, 45));
  EXPECT_FALSE(r.Contains(36, 30));
  EXPECT_FALSE(r.Contains(20, 46));
}

}  // namespace
