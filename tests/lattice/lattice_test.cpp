#include <vector>

#include "lattice_fixture.h"

using EditingTest = LatticeTest;

TEST_F(EditingTest, PickRadiusIsExactlyOne) { EXPECT_EQ(lattice.pickRadius, 1.0f); }

TEST_F(EditingTest, AddingLinksBothWaysInOneCall) {
  Node& a = Add(0, 0);
  EXPECT_EQ(NeighbourCount(a), 0);
  EXPECT_EQ(lattice.byX.size(), 1u);
  EXPECT_EQ(lattice.byY.size(), 1u);
  Node& b = Add(5, 0);
  EXPECT_EQ(b.neighbours[3], &a);
  EXPECT_EQ(a.neighbours[0], &b);
  EXPECT_EQ(NeighbourCount(a), 1);
  EXPECT_EQ(NeighbourCount(b), 1);
}

TEST_F(EditingTest, TwoNodesAtOnePointShareTheirSurroundings) {
  BuildGrid(1);
  Node* centre = At(0, 0);
  Node& twin = Add(0, 0);
  Node* lower = std::less<Node*>()(centre, &twin) ? centre : &twin;
  for (int k = 0; k < 6; ++k) {
    ASSERT_NE(twin.neighbours[k], nullptr);
    EXPECT_EQ(twin.neighbours[k], centre->neighbours[k]);
    EXPECT_NE(twin.neighbours[k], centre);
    EXPECT_EQ(twin.neighbours[k]->neighbours[opposite(k)], lower);
  }
  EXPECT_EQ(lattice.nodes.size(), 8u);
  EXPECT_TRUE(LatticeIsSound(lattice));
}

TEST_F(EditingTest, NodeAddedCloseByLinksOneSided) {
  Node& a = Add(0, 0);
  Node& b = Add(5, 0);
  Node& c = Add(0.3f, 0);
  EXPECT_EQ(b.neighbours[3], &a);  // the nearer of the two
  EXPECT_EQ(c.neighbours[0], &b);
  EXPECT_EQ(a.neighbours[0], &b);
}

TEST_F(EditingTest, RemovingANodeRelinksItsNeighbours) {
  BuildGrid(2);
  Node* centre = At(0, 0);
  std::vector<Node*> around(centre->neighbours.begin(), centre->neighbours.end());
  lattice.RemoveNode(centre);
  EXPECT_EQ(lattice.nodes.size(), 18u);
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(around[k]->neighbours[opposite(k)], nullptr);
    EXPECT_EQ(NeighbourCount(*around[k]), 5);
  }
  EXPECT_TRUE(LatticeIsSound(lattice));
  lattice.RemoveNode(nullptr);
  EXPECT_EQ(lattice.nodes.size(), 18u);
}

TEST_F(EditingTest, RemovalFindsAReplacementInRange) {
  Node& a = Add(0, 0);
  Node& b = Add(5, 0);
  Node& spare = Add(5.5f, 0.2f);
  EXPECT_EQ(a.neighbours[0], &b);
  lattice.RemoveNode(&b);
  EXPECT_EQ(a.neighbours[0], &spare);
}

TEST_F(EditingTest, OneSidedLinkDoesNotOutliveItsTarget) {
  Node& a = Add(0, 0);
  Node& b = Add(5, 0);
  Node& c = Add(0.3f, 0);  // c links to b; b links back to a only
  ASSERT_EQ(c.neighbours[0], &b);
  lattice.RemoveNode(&b);
  EXPECT_EQ(c.neighbours[0], nullptr);
  EXPECT_EQ(a.neighbours[0], nullptr);
  EXPECT_TRUE(LatticeIsSound(lattice));
}

TEST_F(EditingTest, StaleLinkLeftByAMoveDoesNotOutliveItsTarget) {
  Add(0, 0);
  Node& b = Add(5, 0);
  Node& c = Add(0.3f, 0);  // links to b one-sidedly, so b's moves never relink it
  ASSERT_EQ(c.neighbours[0], &b);
  for (int i = 0; i < 400; ++i) {  // twenty units up, far from c
    b.y = b.y + 0.05f;
    lattice.ReindexY(b);
    lattice.RelinkAround(b);
  }
  ASSERT_EQ(c.neighbours[0], &b);  // stale, by design
  lattice.RemoveNode(&b);
  EXPECT_EQ(c.neighbours[0], nullptr);
  EXPECT_TRUE(LatticeIsSound(lattice));
}

TEST_F(EditingTest, MovingStepByStepBreaksTheLinkAtTheTwentiethStep) {
  Node& left = Add(0, 0);
  Node& moving = Add(5, 0);
  const float keyStep = kSpacing / 100.0f;
  for (int step = 1; step <= 20; ++step) {
    moving.x = moving.x + keyStep;
    lattice.ReindexX(moving);
    lattice.RelinkAround(moving);
    const bool linked = step < 20;
    EXPECT_EQ(moving.neighbours[3] == &left, linked) << "step " << step;
    EXPECT_EQ(left.neighbours[0] == &moving, linked) << "step " << step;
  }
  EXPECT_NEAR(moving.x, 6.0000038f, 1e-6f);
}

TEST_F(EditingTest, NodeListKeepsOrderOfAddition) {
  std::vector<float> xs;
  for (int i = 0; i < 10; ++i) Add(i * 3.0f, 0);
  auto it = lattice.nodes.begin();
  std::advance(it, 4);
  lattice.RemoveNode(&*it);
  lattice.RemoveNode(&lattice.nodes.front());
  Add(100, 100);
  for (const Node& n : lattice.nodes) xs.push_back(n.x);
  EXPECT_EQ(xs, (std::vector<float>{3, 6, 9, 15, 18, 21, 24, 27, 100}));
  EXPECT_TRUE(LatticeIsSound(lattice));
}
