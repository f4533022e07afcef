#include <algorithm>
#include <functional>
#include <random>

#include "lattice_fixture.h"

namespace {

// The query as a literal sequence of steps (strip, band, sort both by
// address, merge, strict comparisons), to check the fast one against.
Node* ReferenceNearest(const Lattice& lattice, PlanePoint q) {
  const float r = lattice.pickRadius;
  const float xLow = q.x - r, xHigh = r + q.x, yLow = q.y - r, yHigh = r + q.y;
  const auto& bx = lattice.byX;
  const auto& by = lattice.byY;
  auto xFirst = std::lower_bound(bx.begin(), bx.end(), xLow, [](Node* n, float v) { return n->x < v; });
  if (xFirst == bx.end()) return nullptr;
  auto yFirst = std::lower_bound(by.begin(), by.end(), yLow, [](Node* n, float v) { return n->y < v; });
  if (yFirst == by.end()) return nullptr;
  auto xLast = std::upper_bound(xFirst, bx.end(), xHigh, [](float v, Node* n) { return v < n->x; });
  auto yLast = std::lower_bound(yFirst, by.end(), yHigh, [](Node* n, float v) { return n->y < v; });
  std::vector<Node*> xs(xFirst, xLast), ys(yFirst, yLast), common(std::min(xs.size(), ys.size()));
  std::sort(xs.begin(), xs.end(), std::less<Node*>());
  std::sort(ys.begin(), ys.end(), std::less<Node*>());
  size_t i = 0, j = 0, c = 0;
  std::less<Node*> lt;
  while (i < xs.size() && j < ys.size()) {
    if (lt(xs[i], ys[j])) ++i;
    else if (lt(ys[j], xs[i])) ++j;
    else { common[c++] = xs[i]; ++i; ++j; }
  }
  if (c == 0) return nullptr;
  float best = Distance(common[0]->Position(), q);
  Node* chosen = common[0];
  for (size_t k = 1; k < c; ++k) {
    const float d = Distance(common[k]->Position(), q);
    if (best > d) { best = d; chosen = common[k]; }
  }
  return best < r ? chosen : nullptr;
}

}  // namespace

using NearestNodeTest = LatticeTest;

TEST_F(NearestNodeTest, EmptyLatticeFindsNothing) {
  EXPECT_EQ(lattice.NearestNode({0, 0}), nullptr);
  EXPECT_EQ(lattice.NearestNode({-1e30f, 1e30f}), nullptr);
}

TEST_F(NearestNodeTest, RadiusIsStrictAndTheBoxCornersNeverCount) {
  Node& here = Add(10, 10);
  EXPECT_EQ(lattice.NearestNode({10, 10}), &here);
  EXPECT_EQ(lattice.NearestNode({9, 10}), nullptr);         // exactly 1.0 away
  EXPECT_EQ(lattice.NearestNode({9.1f, 9.1f}), nullptr);    // in the box, about 1.27 away
  EXPECT_EQ(lattice.NearestNode({10.5f, 10.5f}), &here);
}

TEST_F(NearestNodeTest, UpperXBoundIsInclusiveUpperYBoundExclusive) {
  // 1 + 0.3f rounds down to 1.29999995f, so a node at that bound is 0.99999994
  // away: found along x, where the bound is inclusive, but not along y.
  const float bound = 1.0f + 0.3f;
  ASSERT_LT(bound - 0.3f, 1.0f);
  Node& alongX = Add(bound, 0.0f);
  EXPECT_EQ(lattice.NearestNode({0.3f, 0.0f}), &alongX);
  Add(100.0f, bound);
  EXPECT_EQ(lattice.NearestNode({100.0f, 0.3f}), nullptr);
}

TEST_F(NearestNodeTest, TieGoesToTheLowerAddress) {
  Node& a = Add(0, 0);
  Node& b = Add(0, 0);
  Node* lower = std::less<Node*>()(&a, &b) ? &a : &b;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(lattice.NearestNode({0.1f, -0.2f}), lower);
  Add(0.5f, 0.5f);
  EXPECT_EQ(lattice.NearestNode({0.0f, 0.0f}), lower);
}

TEST_F(NearestNodeTest, StripOrBandAloneIsNoCandidate) {
  Add(0, 50);   // in the strip of x = 0, far off the band
  Add(50, 0);   // in the band of y = 0, far off the strip
  EXPECT_EQ(lattice.NearestNode({0, 0}), nullptr);
  EXPECT_EQ(lattice.NearestNode({200, 0}), nullptr);  // right of every node
  EXPECT_EQ(lattice.NearestNode({0, 200}), nullptr);  // above every node
  EXPECT_EQ(lattice.NearestNode({25, 25}), nullptr);  // nodes on both sides, none inside
}

TEST_F(NearestNodeTest, ReindexWithoutChangePutsNodeFirstAmongEqualKeys) {
  Add(1, 0);
  Node& b = Add(1, 5);
  Add(1, 10);
  Node& last = lattice.nodes.back();
  lattice.ReindexX(last);
  lattice.ReindexY(b);
  EXPECT_EQ(lattice.byX.front(), &last);
  EXPECT_TRUE(LatticeIsSound(lattice));
  EXPECT_EQ(lattice.NearestNode({1, 10}), &last);
}

TEST_F(NearestNodeTest, AgreesWithTheStepByStepQueryOnRandomLattices) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> grid(-8, 8);
  std::uniform_real_distribution<float> jitter(-1.5f, 1.5f);
  for (int round = 0; round < 20; ++round) {
    Lattice local;
    for (int i = 0; i < 60; ++i) {
      // Coarse coordinates make duplicates and exact-radius distances common.
      const float x = grid(rng) * 0.5f, y = grid(rng) * 0.5f;
      local.AddNode(Node(PlanePoint{x, y}));
      if (i % 7 == 0) local.AddNode(Node(PlanePoint{x, y}));
    }
    for (int i = 0; i < 400; ++i) {
      const PlanePoint q = (i % 2) ? PlanePoint{grid(rng) * 0.5f, grid(rng) * 0.5f}
                                   : PlanePoint{jitter(rng) * 4, jitter(rng) * 4};
      ASSERT_EQ(local.NearestNode(q), ReferenceNearest(local, q)) << "round " << round << " query " << i;
    }
  }
  BuildGrid(6);
  std::uniform_real_distribution<float> anywhere(-40, 40);
  for (int i = 0; i < 5000; ++i) {
    const PlanePoint q{anywhere(rng), anywhere(rng)};
    ASSERT_EQ(lattice.NearestNode(q), ReferenceNearest(lattice, q));
  }
}

TEST(DistanceFunction, RoundsEachStepToFloat) {
  EXPECT_EQ(Distance({0, 0}, {3, 4}), 5.0f);
  EXPECT_EQ(Distance({1, 1}, {1, 1}), 0.0f);
  EXPECT_EQ(Distance({0.3f, 0.0f}, {1.3f, 0.0f}), 0.99999994f);
}
