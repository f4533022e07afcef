#include "lattice_fixture.h"

using HexGridTest = LatticeTest;

TEST_F(HexGridTest, SmallGrids) {
  BuildGrid(0);
  ASSERT_EQ(lattice.nodes.size(), 1u);
  EXPECT_EQ(NeighbourCount(lattice.nodes.front()), 0);

  Lattice seven;
  BuildHexGrid(seven, {0, 0}, 1);
  ASSERT_EQ(seven.nodes.size(), 7u);
  EXPECT_EQ(NeighbourCount(seven.nodes.front()), 6);
  for (auto it = std::next(seven.nodes.begin()); it != seven.nodes.end(); ++it) {
    EXPECT_EQ(NeighbourCount(*it), 3);
  }
}

TEST_F(HexGridTest, NegativeCountsAddNothing) {
  BuildGrid(-1);
  BuildRing(lattice, {0, 0}, -3);
  EXPECT_TRUE(lattice.nodes.empty());
}

TEST_F(HexGridTest, LoneRingLinksAlongItself) {
  BuildRing(lattice, {0, 0}, 3);
  ASSERT_EQ(lattice.nodes.size(), 18u);
  std::vector<Node*> ring;
  for (Node& n : lattice.nodes) ring.push_back(&n);
  for (size_t i = 0; i < ring.size(); ++i) {
    Node* before = ring[(i + ring.size() - 1) % ring.size()];
    Node* after = ring[(i + 1) % ring.size()];
    EXPECT_EQ(NeighbourCount(*ring[i]), 2) << i;
    const auto& nb = ring[i]->neighbours;
    EXPECT_NE(std::find(nb.begin(), nb.end(), before), nb.end()) << i;
    EXPECT_NE(std::find(nb.begin(), nb.end(), after), nb.end()) << i;
  }
}

TEST_F(HexGridTest, StartUpGridIsFullyAndMutuallyLinked) {
  BuildGrid(25);
  ASSERT_EQ(lattice.nodes.size(), 1951u);
  EXPECT_TRUE(LatticeIsSound(lattice));
  int interior = 0, rimFour = 0, rimThree = 0;
  std::set<std::pair<float, float>> points;
  for (const Node& n : lattice.nodes) {
    points.insert({n.x, n.y});
    const int count = NeighbourCount(n);
    interior += count == 6;
    rimFour += count == 4;
    rimThree += count == 3;
    for (int k = 0; k < 6; ++k) {
      if (const Node* m = n.neighbours[k]) {
        EXPECT_EQ(m->neighbours[opposite(k)], &n);
        EXPECT_NEAR(m->x, n.x + DirectionTable[k].x, 1e-3);
        EXPECT_NEAR(m->y, n.y + DirectionTable[k].y, 1e-3);
      }
    }
  }
  EXPECT_EQ(points.size(), 1951u);
  EXPECT_EQ(interior, 1951 - 150);
  EXPECT_EQ(rimFour, 144);
  EXPECT_EQ(rimThree, 6);
  // Corner i lacks directions i - 1, i and i + 1; a side-i node lacks i and i + 1.
  for (int i = 0; i < 6; ++i) {
    Node* corner = GridNode(25, i, 0);
    ASSERT_NE(corner, nullptr);
    EXPECT_EQ(corner->neighbours[(i + 5) % 6], nullptr);
    EXPECT_EQ(corner->neighbours[i], nullptr);
    EXPECT_EQ(corner->neighbours[(i + 1) % 6], nullptr);
    Node* side = GridNode(25, i, 7);
    EXPECT_EQ(side->neighbours[i], nullptr);
    EXPECT_EQ(side->neighbours[(i + 1) % 6], nullptr);
    EXPECT_EQ(NeighbourCount(*side), 4);
  }
}

TEST_F(HexGridTest, NodesAreAddedCentreFirstThenRingBySideFromEachCorner) {
  const PlanePoint c{3.0f, -2.0f};
  BuildGrid(2, c);
  std::vector<const Node*> order;
  for (const Node& n : lattice.nodes) order.push_back(&n);
  EXPECT_EQ(order[0], GridNode(0, 0, 0, c));
  for (int k = 0; k < 6; ++k) EXPECT_EQ(order[1 + k], GridNode(1, k, 0, c));
  // Ring 2 begins c + 2 dir[0], c + 2 dir[0] + dir[2], c + 2 dir[1], ...
  EXPECT_EQ(order[7], GridNode(2, 0, 0, c));
  EXPECT_EQ(order[8], GridNode(2, 0, 1, c));
  EXPECT_EQ(order[9], GridNode(2, 1, 0, c));
  EXPECT_EQ(order[10], GridNode(2, 1, 1, c));
  EXPECT_EQ(order[18], GridNode(2, 5, 1, c));
  EXPECT_EQ(order[1]->x, c.x + DirectionTable[0].x);
}
