#include <cstdlib>
#include <vector>

#include "lattice_fixture.h"

namespace {

class PropagationTest : public LatticeTest {
 protected:
  // Where the lattice's one particle is and which way it moves.
  std::pair<const Node*, int> LoneParticle() {
    const Node* where = nullptr;
    int direction = -1;
    for (const Node& n : lattice.nodes) {
      for (int k = 0; k < 6; ++k) {
        if (HasBit(n.state, k)) {
          EXPECT_EQ(where, nullptr) << "more than one particle";
          where = &n;
          direction = k;
        }
      }
    }
    return {where, direction};
  }

  void ExpectParticle(const Node* where, int direction) {
    const auto [at, way] = LoneParticle();
    EXPECT_EQ(at, where);
    EXPECT_EQ(way, direction);
  }

  void Steps(int count) {
    for (int i = 0; i < count; ++i) lattice.Step();
  }

  bool TagsWithinState() const {
    for (const Node& n : lattice.nodes) {
      if ((n.tag & ~n.state) != 0) return false;
    }
    return true;
  }
};

TEST_F(PropagationTest, LoneParticleCrossesTheGridAndComesBack) {
  BuildGrid(25);
  Node* centre = At(0, 0);
  centre->state = directionBit[0];
  Steps(25);
  ExpectParticle(GridNode(25, 0, 0), 0);
  Steps(1);
  ExpectParticle(GridNode(24, 0, 0), 3);
  Steps(24);
  ExpectParticle(centre, 3);
  Steps(25);
  ExpectParticle(GridNode(25, 3, 0), 3);
  Steps(1);
  ExpectParticle(GridNode(24, 3, 0), 0);
  Steps(24);
  ExpectParticle(centre, 0);
}

TEST_F(PropagationTest, CornerReflectsItsThreeOutwardParticles) {
  BuildGrid(25);
  Node* corner = GridNode(25, 0, 0);
  corner->state = directionBit[5] | directionBit[0] | directionBit[1];
  lattice.Step();
  EXPECT_EQ(corner->state, 0);
  EXPECT_EQ(corner->neighbours[2]->state, directionBit[2]);
  EXPECT_EQ(corner->neighbours[3]->state, directionBit[3]);
  EXPECT_EQ(corner->neighbours[4]->state, directionBit[4]);
  EXPECT_EQ(CountParticles(), 3);
}

TEST_F(PropagationTest, ReflectedAndStreamingParticlesMergeTagged) {
  BuildGrid(25);
  Node* rim = GridNode(25, 0, 7);  // no neighbour in directions 0 and 1
  ASSERT_EQ(rim->neighbours[0], nullptr);
  rim->state = directionBit[0] | directionBit[3];
  rim->tag = directionBit[0];
  lattice.Step();
  Node* inward = rim->neighbours[3];
  EXPECT_EQ(inward->state, directionBit[3]);
  EXPECT_EQ(inward->tag, directionBit[3]);
  EXPECT_EQ(CountParticles(), 1);
}

TEST_F(PropagationTest, IsolatedNodeAndBareChainLoseParticles) {
  Node& alone = Add(100, 100);
  alone.state = 0x3F;
  alone.tag = 0x15;
  Node& a = Add(0, 0);
  Node& b = Add(5, 0);
  a.state = directionBit[1] | directionBit[4] | directionBit[0];
  lattice.Step();
  EXPECT_EQ(alone.state, 0);
  EXPECT_EQ(alone.tag, 0);
  EXPECT_EQ(a.state, 0);
  EXPECT_EQ(b.state, directionBit[0]);  // only the particle along the chain survives
}

TEST_F(PropagationTest, EmptyStepClearsStrayTags) {
  BuildGrid(2);
  for (Node& n : lattice.nodes) n.tag = 0x2A;
  lattice.Step();
  for (const Node& n : lattice.nodes) {
    EXPECT_EQ(n.state, 0);
    EXPECT_EQ(n.tag, 0);
    EXPECT_EQ(n.nextState | n.nextTag, 0);
  }
}

TEST_F(PropagationTest, ToggleNeedsANeighbourAndFlipsStateAndTag) {
  BuildGrid(25);
  Node* corner = GridNode(25, 0, 0);
  corner->ToggleParticle(0);  // no neighbour that way
  EXPECT_EQ(corner->state | corner->tag, 0);
  Node* centre = At(0, 0);
  centre->ToggleParticle(2);
  EXPECT_EQ(centre->state, directionBit[2]);
  EXPECT_EQ(centre->tag, directionBit[2]);
  lattice.ClearParticles();
  EXPECT_EQ(centre->state, 0);
  EXPECT_EQ(centre->tag, directionBit[2]);  // tags survive a clear
  centre->ToggleParticle(2);
  EXPECT_EQ(centre->state, directionBit[2]);
  EXPECT_EQ(centre->tag, 0);  // so the new particle is untagged
}

TEST_F(PropagationTest, RandomizeGivesAtMostOneParticleAndDrawsOneOrThreeTimes) {
  BuildGrid(10);
  for (Node& n : lattice.nodes) n.tag = 0x3F;
  std::srand(7);
  lattice.RandomizeParticles();
  // Replay the draws: parity, then direction and tag parity for the even ones.
  std::srand(7);
  int withParticle = 0;
  for (const Node& n : lattice.nodes) {
    EXPECT_EQ(n.nextState | n.nextTag, 0);
    if (std::rand() % 2 != 0) {
      EXPECT_EQ(n.state, 0);
      EXPECT_EQ(n.tag, 0x3F);
      continue;
    }
    ++withParticle;
    const std::uint8_t bit = directionBit[std::rand() % 6];
    EXPECT_EQ(n.state, bit);
    EXPECT_EQ(n.tag, std::rand() % 2 == 0 ? bit : 0x3F);
  }
  EXPECT_GT(withParticle, 100);
  EXPECT_LT(withParticle, 231);
}

// Properties of the intact start-up grid, where every link is mutual.
TEST_F(PropagationTest, ParticleCountNeverRisesAndTagsStayWithParticles) {
  BuildGrid(12);
  std::srand(99);
  lattice.RandomizeParticles();
  int count = CountParticles();
  int tagged = 0;
  for (const Node& n : lattice.nodes) tagged += __builtin_popcount(n.tag & n.state);
  for (int g = 0; g < 200; ++g) {
    lattice.Step();
    const int now = CountParticles();
    ASSERT_LE(now, count) << "generation " << g;
    ASSERT_TRUE(TagsWithinState()) << "generation " << g;
    count = now;
  }
  // Without rim merges, a lone tagged particle keeps its tag for ever.
  lattice.ClearParticles();
  for (Node& n : lattice.nodes) n.tag = 0;
  Node* start = GridNode(5, 1, 2);
  start->ToggleParticle(4);
  for (int g = 0; g < 300; ++g) {
    lattice.Step();
    auto [where, direction] = LoneParticle();
    ASSERT_NE(where, nullptr);
    ASSERT_TRUE(HasBit(where->tag, direction));
  }
  (void)tagged;
}

TEST_F(PropagationTest, LoneParticleReturnsFromAnyStartWithinFourNGenerations) {
  const int rings = 3;
  BuildGrid(rings);
  for (Node& start : lattice.nodes) {
    for (int k = 0; k < 6; ++k) {
      lattice.ClearParticles();
      start.state = directionBit[k];
      // Nothing can arrive at a node moving away from a missing link, so a
      // particle started that way comes back only moving towards it.
      const int recurring = start.neighbours[opposite(k)] ? k : opposite(k);
      bool back = false;
      for (int g = 1; g <= 4 * rings && !back; ++g) {
        lattice.Step();
        auto [where, direction] = LoneParticle();
        ASSERT_NE(where, nullptr) << "particle lost";
        back = where == &start && direction == recurring;
      }
      EXPECT_TRUE(back) << "from (" << start.x << ", " << start.y << ") direction " << k;
    }
  }
}

}  // namespace
