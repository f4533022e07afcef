#include <gtest/gtest.h>

#include <cmath>

#include "lattice/node.h"

TEST(Directions, TableHasTheListedOffsets) {
  // Entries 0 and 3 use no trigonometry: exact.
  EXPECT_EQ(DirectionTable[0].x, 5.0f);
  EXPECT_EQ(DirectionTable[0].y, 0.0f);
  EXPECT_EQ(DirectionTable[3].x, -5.0f);
  EXPECT_EQ(DirectionTable[3].y, 0.0f);
  EXPECT_FLOAT_EQ(DirectionTable[1].x, 2.4999998f);
  EXPECT_FLOAT_EQ(DirectionTable[1].y, 4.3301272f);
  EXPECT_FLOAT_EQ(DirectionTable[2].x, -2.5000002f);
  EXPECT_FLOAT_EQ(DirectionTable[2].y, 4.3301268f);
  EXPECT_FLOAT_EQ(DirectionTable[4].x, -2.4999995f);
  EXPECT_FLOAT_EQ(DirectionTable[4].y, -4.3301272f);
  // The last angle is one float step above the float nearest 5 pi / 3; the
  // nearest one would give x = 2.4999983.
  EXPECT_FLOAT_EQ(DirectionTable[5].x, 2.5000019f);
  EXPECT_FLOAT_EQ(DirectionTable[5].y, -4.3301258f);
}

TEST(Directions, TableIsSlightlyAsymmetricAndNotSnapped) {
  EXPECT_LT(DirectionTable[1].x, 2.5f);
  EXPECT_GT(DirectionTable[5].x, 2.5f);
  EXPECT_EQ(DirectionTable[0].x + DirectionTable[3].x, 0.0f);
  EXPECT_NE(DirectionTable[1].x + DirectionTable[4].x, 0.0f);
  EXPECT_NE(DirectionTable[2].x + DirectionTable[5].x, 0.0f);
  EXPECT_NE(DirectionTable[2].y + DirectionTable[5].y, 0.0f);
  for (const PlanePoint& d : DirectionTable) {
    const double length = std::sqrt(double(d.x) * d.x + double(d.y) * d.y);
    EXPECT_NEAR(length, 5.0, 2e-7);
  }
}

TEST(Directions, BitsAndOpposites) {
  EXPECT_TRUE(HasBit(0x21, 0));
  EXPECT_TRUE(HasBit(0x21, 5));
  EXPECT_FALSE(HasBit(0x21, 1));
  for (int k = 0; k < 6; ++k) {
    EXPECT_FALSE(HasBit(0, k));
    EXPECT_TRUE(HasBit(0x3F, k));
    EXPECT_EQ(opposite(opposite(k)), k);
  }
  EXPECT_EQ(opposite(0), 3);
  EXPECT_EQ(opposite(2), 5);
  EXPECT_EQ(opposite(5), 2);
}

TEST(NodeRecord, MadeAtAPointWithNothingElse) {
  const Node n(PlanePoint{2.0f, -3.0f});
  EXPECT_EQ(n.x, 2.0f);
  EXPECT_EQ(n.y, -3.0f);
  for (const Node* m : n.neighbours) EXPECT_EQ(m, nullptr);
  EXPECT_EQ(n.state | n.tag | n.nextState | n.nextTag, 0);
}
