// Node store, editing and neighbour linking.
#include "lattice/lattice.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace {

// 0.2 taken at single precision; the product with the spacing is exactly 1.
constexpr float kPickFraction = 0.2f;

}  // namespace

Lattice::Lattice() : pickRadius(kSpacing * kPickFraction) {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
}

void Lattice::AddNode(const Node& record) {
  Node& node = nodes.emplace_back(record);
  InsertIntoIndexes(&node);
  RelinkAround(node);
}

void Lattice::RemoveNode(Node* node) {
  if (node == nullptr) return;
  const std::array<Node*, 6> former = node->neighbours;
  RemoveFromIndexes(node);
  // Relinking before the node is released gives the same links as relinking
  // after (the node has already left the indexes), and lets the holders'
  // links be compared with a live pointer.
  for (Node* neighbour : former) {
    if (neighbour != nullptr) LinkNode(*neighbour);
  }
  RelinkHoldersOf(node);
  const auto it = std::find_if(nodes.begin(), nodes.end(),
                               [node](const Node& n) { return &n == node; });
  if (it != nodes.end()) nodes.erase(it);
}

// One-sided and stale links can point at a node from anywhere, so every node
// is checked; a holder relinks and may find a replacement in range.
void Lattice::RelinkHoldersOf(const Node* removed) {
  for (Node& n : nodes) {
    if (&n == removed) continue;
    if (std::find(n.neighbours.begin(), n.neighbours.end(), removed) != n.neighbours.end()) {
      LinkNode(n);
    }
  }
}

void Lattice::LinkNode(Node& node) {
  for (int k = 0; k < 6; ++k) {
    const PlanePoint target{DirectionTable[k].x + node.x, DirectionTable[k].y + node.y};
    node.neighbours[k] = NearestNode(target);
  }
}

void Lattice::RelinkAround(Node& node) {
  const std::array<Node*, 6> old = node.neighbours;
  LinkNode(node);
  for (int k = 0; k < 6; ++k) {
    Node* now = node.neighbours[k];
    if (old[k] == now) continue;
    if (old[k] != nullptr) LinkNode(*old[k]);
    if (now != nullptr) LinkNode(*now);
  }
}
