#pragma once
// Builds lattices for tests and checks the invariants every edit must keep.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <string>

#include "lattice/hex_grid.h"
#include "lattice/lattice.h"

class LatticeTest : public ::testing::Test {
 protected:
  Lattice lattice;

  Node& Add(float x, float y) {
    lattice.AddNode(Node(PlanePoint{x, y}));
    return lattice.nodes.back();
  }

  void BuildGrid(int rings, PlanePoint centre = {0.0f, 0.0f}) {
    BuildHexGrid(lattice, centre, rings);
  }

  // The node standing exactly at the point, or null.
  Node* At(float x, float y) {
    for (Node& n : lattice.nodes) {
      if (n.x == x && n.y == y) return &n;
    }
    return nullptr;
  }

  // The node that BuildRing placed at ring r, side, index j (the grid's own arithmetic).
  Node* GridNode(int r, int side, int j, PlanePoint c = {0.0f, 0.0f}) {
    if (r == 0) return At(c.x, c.y);
    const float rf = static_cast<float>(r);
    const float jf = static_cast<float>(j);
    const PlanePoint e = DirectionTable[(side + 2) % 6];
    const float cx = c.x + rf * DirectionTable[side].x;
    const float cy = c.y + rf * DirectionTable[side].y;
    return At(cx + jf * e.x, cy + jf * e.y);
  }

  int CountParticles() const {
    int total = 0;
    for (const Node& n : lattice.nodes) total += __builtin_popcount(n.state);
    return total;
  }
};

inline int NeighbourCount(const Node& n) {
  int count = 0;
  for (const Node* m : n.neighbours) count += (m != nullptr);
  return count;
}

// Indexes sorted, holding exactly the nodes of the list once each; no link to a
// node outside the list; finite coordinates.
inline ::testing::AssertionResult LatticeIsSound(const Lattice& lattice) {
  std::set<const Node*> inList;
  for (const Node& n : lattice.nodes) {
    if (!std::isfinite(n.x) || !std::isfinite(n.y)) {
      return ::testing::AssertionFailure() << "non-finite node coordinate";
    }
    inList.insert(&n);
  }
  if (inList.size() != lattice.nodes.size()) return ::testing::AssertionFailure() << "duplicate node";
  auto sameSet = [&](const std::vector<Node*>& index, const char* name) -> std::string {
    if (index.size() != inList.size()) return std::string(name) + " has the wrong size";
    std::set<const Node*> seen(index.begin(), index.end());
    if (seen != inList) return std::string(name) + " holds other nodes than the list";
    return {};
  };
  for (const auto& [index, name] : {std::pair{&lattice.byX, "byX"}, std::pair{&lattice.byY, "byY"}}) {
    if (auto err = sameSet(*index, name); !err.empty()) return ::testing::AssertionFailure() << err;
  }
  for (size_t i = 1; i < lattice.byX.size(); ++i) {
    if (lattice.byX[i - 1]->x > lattice.byX[i]->x) return ::testing::AssertionFailure() << "byX unsorted at " << i;
  }
  for (size_t i = 1; i < lattice.byY.size(); ++i) {
    if (lattice.byY[i - 1]->y > lattice.byY[i]->y) return ::testing::AssertionFailure() << "byY unsorted at " << i;
  }
  for (const Node& n : lattice.nodes) {
    for (const Node* m : n.neighbours) {
      if (m != nullptr && !inList.count(m)) return ::testing::AssertionFailure() << "dangling link";
    }
  }
  return ::testing::AssertionSuccess();
}

// Every link of the node is what the query answers for its search points now.
inline bool LinksAreFresh(const Lattice& lattice, const Node& n) {
  for (int k = 0; k < 6; ++k) {
    const PlanePoint p{DirectionTable[k].x + n.x, DirectionTable[k].y + n.y};
    if (n.neighbours[k] != lattice.NearestNode(p)) return false;
  }
  return true;
}
