// Long random sequences of adds, moves and removes; after every edit the
// indexes, the node list and the links must still agree.
#include <cstdio>
#include <map>
#include <random>

#include "lattice_fixture.h"

namespace {

class RandomEdits : public LatticeTest {
 protected:
  std::mt19937 rng;

  Node* RandomNode() {
    if (lattice.nodes.empty()) return nullptr;
    auto it = lattice.nodes.begin();
    std::advance(it, std::uniform_int_distribution<size_t>(0, lattice.nodes.size() - 1)(rng));
    return &*it;
  }

  PlanePoint RandomPoint() {
    std::uniform_int_distribution<int> pick(0, 3);
    std::uniform_real_distribution<float> wide(-60, 60);
    switch (pick(rng)) {
      case 0: {  // on an existing node or right beside it
        Node* n = RandomNode();
        if (n == nullptr) return {0, 0};
        return {n->x + (pick(rng) == 0 ? 0.0f : 0.3f), n->y};
      }
      case 1: {  // a grid point
        std::uniform_int_distribution<int> cell(-12, 12);
        return {cell(rng) * 5.0f + (cell(rng) % 2) * 2.5f, cell(rng) * 4.3301272f};
      }
      default:
        return {wide(rng), wide(rng)};
    }
  }

  // One key step of the move protocol in one of four directions.
  void MoveOneStep(Node& n, int way) {
    const float keyStep = kSpacing / 100.0f;
    if (way < 2) {
      n.x = n.x + (way == 0 ? -keyStep : keyStep);
      lattice.ReindexX(n);
    } else {
      n.y = n.y + (way == 2 ? -keyStep : keyStep);
      lattice.ReindexY(n);
    }
    lattice.RelinkAround(n);
  }

  // Runs one edit and checks what it leaves behind.
  template <typename Edit>
  void Checked(Edit edit, unsigned seed, int op) {
    std::map<const Node*, std::array<Node*, 6>> before;
    for (const Node& n : lattice.nodes) before[&n] = n.neighbours;
    Node* subject = edit();
    ASSERT_TRUE(LatticeIsSound(lattice)) << "seed " << seed << " op " << op;
    // Only relinked nodes change, and a relinked node holds fresh answers.
    for (const Node& n : lattice.nodes) {
      auto it = before.find(&n);
      if (it == before.end() || it->second != n.neighbours) {
        ASSERT_TRUE(LinksAreFresh(lattice, n)) << "seed " << seed << " op " << op;
      }
    }
    if (subject != nullptr) {
      ASSERT_TRUE(LinksAreFresh(lattice, *subject));
    }
  }

  void Run(unsigned seed, int operations) {
    rng.seed(seed);
    std::printf("random edit seed %u\n", seed);
    for (int op = 0; op < operations; ++op) {
      const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
      if (kind < 4) {
        Checked([&] {
          lattice.AddNode(Node(RandomPoint()));
          return &lattice.nodes.back();
        }, seed, op);
        // A new node and every node it found are linked afresh.
        for (const Node* m : lattice.nodes.back().neighbours) {
          if (m != nullptr) {
            ASSERT_TRUE(LinksAreFresh(lattice, *m));
          }
        }
      } else if (kind < 7) {
        Node* subject = RandomNode();
        if (subject == nullptr) continue;
        const int way = std::uniform_int_distribution<int>(0, 3)(rng);
        const int repeats = std::uniform_int_distribution<int>(1, 30)(rng);
        for (int i = 0; i < repeats; ++i) {
          Checked([&] {
            MoveOneStep(*subject, way);
            return subject;
          }, seed, op);
        }
      } else {
        Checked([&] {
          lattice.RemoveNode(RandomNode());
          return static_cast<Node*>(nullptr);
        }, seed, op);
      }
      if (HasFatalFailure()) return;
    }
  }
};

TEST_F(RandomEdits, OffTheGrid) { Run(1, 1500); }

TEST_F(RandomEdits, OnTheGrid) {
  BuildGrid(6);
  Run(2, 1500);
}

TEST_F(RandomEdits, ManySeeds) {
  for (unsigned seed = 10; seed < 20; ++seed) {
    lattice.nodes.clear();
    lattice.byX.clear();
    lattice.byY.clear();
    BuildGrid(3);
    Run(seed, 200);
  }
}

}  // namespace
