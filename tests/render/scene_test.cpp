#include <cmath>
#include <set>

#include "render/scene.h"
#include "render_fixture.h"

using SceneTest = RenderTest;

TEST_F(SceneTest, EmptyLatticeDrawsNothing) {
  DrawLinksAndNodes(graphics, lattice);
  DrawParticles(graphics, lattice, 0.5f);
  EXPECT_TRUE(Log().draws.empty());
}

TEST_F(SceneTest, EveryLinkOfTheStartUpGridIsOneCylinder) {
  BuildGrid(25);
  int directedLinks = 0;
  for (const Node& n : lattice.nodes) directedLinks += NeighbourCount(n);
  DrawLinksAndNodes(graphics, lattice);
  EXPECT_EQ(DrawsOf(graphics.nodeMesh).size(), 1951u);
  EXPECT_EQ(DrawsOf(graphics.linkMesh).size(), static_cast<size_t>(directedLinks / 2));
  for (const auto& d : Log().draws) EXPECT_TRUE(SameMaterial(d.material, graphics.nodeMaterial));
  // Each link runs from its node's centre to the neighbour's.
  const auto links = DrawsOf(graphics.linkMesh);
  const auto& first = links.front().world;
  const Node& centre = lattice.nodes.front();
  const D3DXVECTOR3 from = Transform(first, 0, 0, 0.5f), to = Transform(first, 0, 0, -0.5f);
  EXPECT_NEAR(from.x, centre.x, 1e-5f);
  EXPECT_NEAR(to.x, centre.neighbours[0]->x, 1e-5f);
  EXPECT_NEAR(to.y, centre.neighbours[0]->y, 1e-5f);
}

TEST_F(SceneTest, ShortLinkKeepsItsCentreHalfASpacingOut) {
  Node& a = Add(1, 2);
  Node& b = Add(5.2f, 2);  // 4.2 away, 0.8 from a's search point
  ASSERT_EQ(a.neighbours[0], &b);
  DrawLinksAndNodes(graphics, lattice);
  const auto links = DrawsOf(graphics.linkMesh);
  ASSERT_EQ(links.size(), 1u);
  const D3DMATRIX& w = links[0].world;
  // dy = 0 counts as below: the angle is -acos(1), no turn at all.
  const D3DXVECTOR3 near = Transform(w, 0, 0, 0.5f), far = Transform(w, 0, 0, -0.5f);
  EXPECT_NEAR(near.x, 1.0f + 0.4f, 1e-5f);
  EXPECT_NEAR(far.x, 1.0f + 4.6f, 1e-5f);
  EXPECT_NEAR(near.y, 2.0f, 1e-5f);
  EXPECT_NEAR(far.y, 2.0f, 1e-5f);
  EXPECT_NEAR(w._11, 0.0f, 1e-6f);
  EXPECT_NEAR(w._31, -4.2f, 1e-5f);
}

TEST_F(SceneTest, LinkToANeighbourSlightlyBelowTurnsDown) {
  Node& a = Add(0, 0);
  Node& b = Add(5, -0.5f);
  ASSERT_EQ(a.neighbours[0], &b);
  DrawLinksAndNodes(graphics, lattice);
  const auto links = DrawsOf(graphics.linkMesh);
  ASSERT_EQ(links.size(), 1u);
  // Turned towards the neighbour, centred half a spacing out along the link.
  const D3DXVECTOR3 centre = Transform(links[0].world, 0, 0, 0);
  const float length = std::sqrt(b.x * b.x + b.y * b.y);
  EXPECT_NEAR(centre.x, b.x / length * 2.5f, 1e-5f);
  EXPECT_NEAR(centre.y, b.y / length * 2.5f, 1e-5f);
  EXPECT_LT(centre.y, 0.0f);
}

TEST_F(SceneTest, OneSidedLinkInDirectionFourIsNotDrawn) {
  Node& m = Add(0, 0);
  Node& n = Add(DirectionTable[1].x, DirectionTable[1].y);
  Node& beside = Add(DirectionTable[1].x + 0.3f, DirectionTable[1].y);
  ASSERT_EQ(beside.neighbours[4], &m);
  ASSERT_EQ(m.neighbours[1], &n);
  DrawLinksAndNodes(graphics, lattice);
  const auto links = DrawsOf(graphics.linkMesh);
  ASSERT_EQ(links.size(), 1u);  // only m -> n, from m in direction 1
  const D3DXVECTOR3 start = Transform(links[0].world, 0, 0, 0.5f);
  EXPECT_NEAR(start.x, m.x, 1e-5f);
  EXPECT_NEAR(start.y, m.y, 1e-5f);
}

TEST_F(SceneTest, SelectionIsARedNodeSphereAtTheNode) {
  Node& n = Add(3, -4);
  DrawSelection(graphics, n);
  ASSERT_EQ(Log().draws.size(), 1u);
  const auto& d = Log().draws[0];
  EXPECT_EQ(d.mesh, graphics.nodeMesh);
  EXPECT_TRUE(SameMaterial(d.material, graphics.selectionMaterial));
  EXPECT_EQ(d.world._41, 3.0f);
  EXPECT_EQ(d.world._42, -4.0f);
}

TEST_F(SceneTest, ParticlesGlideFromOneLinkBehindToTheirNode) {
  BuildGrid(1);
  Node& centre = lattice.nodes.front();
  centre.state = directionBit[1] | directionBit[4];
  centre.tag = directionBit[4];
  DrawParticles(graphics, lattice, 0.0f);
  auto draws = DrawsOf(graphics.particleMesh);
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].world._41, -DirectionTable[1].x);
  EXPECT_EQ(draws[0].world._42, -DirectionTable[1].y);
  EXPECT_TRUE(SameMaterial(draws[0].material, graphics.particleMaterial));
  EXPECT_EQ(draws[1].world._41, -DirectionTable[4].x);
  EXPECT_TRUE(SameMaterial(draws[1].material, graphics.taggedMaterial));

  Log().draws.clear();
  DrawParticles(graphics, lattice, 1.0f);
  draws = DrawsOf(graphics.particleMesh);
  ASSERT_EQ(draws.size(), 2u);
  for (const auto& d : draws) {
    EXPECT_EQ(d.world._41, 0.0f);
    EXPECT_EQ(d.world._42, 0.0f);
  }

  Log().draws.clear();
  DrawParticles(graphics, lattice, 0.25f);
  draws = DrawsOf(graphics.particleMesh);
  EXPECT_EQ(draws[0].world._41, DirectionTable[1].x * -0.75f);
}

TEST_F(SceneTest, SixParticlesAtOneNodeAreSixSpheres) {
  Node& n = Add(0, 0);
  n.state = 0x3F;
  n.tag = 0x15;
  DrawParticles(graphics, lattice, 0.5f);
  const auto draws = DrawsOf(graphics.particleMesh);
  ASSERT_EQ(draws.size(), 6u);
  std::set<std::pair<float, float>> places;
  for (int k = 0; k < 6; ++k) {
    places.insert({draws[k].world._41, draws[k].world._42});
    const auto& expected = HasBit(n.tag, k) ? graphics.taggedMaterial : graphics.particleMaterial;
    EXPECT_TRUE(SameMaterial(draws[k].material, expected)) << k;
  }
  EXPECT_EQ(places.size(), 6u);
}
