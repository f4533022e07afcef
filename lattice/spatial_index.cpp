// The two coordinate-ordered indexes and the nearest-node query.
#include <algorithm>
#include <cmath>
#include <functional>

#include "lattice/lattice.h"

namespace {

bool XBelow(const Node* n, float key) { return n->x < key; }
bool YBelow(const Node* n, float key) { return n->y < key; }

// First position whose key is not less than the node's own: a re-placed node
// goes in front of every node with the same key.
void InsertOrdered(std::vector<Node*>& index, Node* node, float key,
                   bool (*below)(const Node*, float)) {
  index.insert(std::lower_bound(index.begin(), index.end(), key, below), node);
}

void EraseFirst(std::vector<Node*>& index, const Node* node) {
  const auto it = std::find(index.begin(), index.end(), node);
  if (it != index.end()) index.erase(it);
}

}  // namespace

float Distance(PlanePoint a, PlanePoint b) {
  const float dx = a.x - b.x;
  const float dy = a.y - b.y;
  const float dx2 = dx * dx;
  const float dy2 = dy * dy;
  const float sum = dx2 + dy2;
  return std::sqrt(sum);
}

void Lattice::InsertIntoIndexes(Node* node) {
  InsertOrdered(byX, node, node->x, XBelow);
  InsertOrdered(byY, node, node->y, YBelow);
}

void Lattice::RemoveFromIndexes(const Node* node) {
  EraseFirst(byX, node);
  EraseFirst(byY, node);
}

void Lattice::ReindexX(Node& node) {
  EraseFirst(byX, &node);
  InsertOrdered(byX, &node, node.x, XBelow);
}

void Lattice::ReindexY(Node& node) {
  EraseFirst(byY, &node);
  InsertOrdered(byY, &node, node.y, YBelow);
}

// Candidates are the nodes with xLow <= x <= xHigh and yLow <= y < yHigh (the
// upper y bound is exclusive, the upper x bound is not). Instead of copying,
// sorting and intersecting the strip and the band, walk the shorter of the two
// and test the other coordinate; ties on distance go to the lowest address, as
// an address-ordered scan with a strict comparison would choose.
Node* Lattice::NearestNode(PlanePoint q) const {
  const float r = pickRadius;
  const float xLow = q.x - r;
  const float xHigh = r + q.x;
  const float yLow = q.y - r;
  const float yHigh = r + q.y;

  const auto xFirst = std::lower_bound(byX.begin(), byX.end(), xLow, XBelow);
  if (xFirst == byX.end()) return nullptr;
  const auto yFirst = std::lower_bound(byY.begin(), byY.end(), yLow, YBelow);
  if (yFirst == byY.end()) return nullptr;
  const auto xLast = std::upper_bound(xFirst, byX.end(), xHigh,
                                      [](float key, const Node* n) { return key < n->x; });
  const auto yLast = std::lower_bound(yFirst, byY.end(), yHigh, YBelow);

  const bool walkStrip = (xLast - xFirst) <= (yLast - yFirst);
  const auto first = walkStrip ? xFirst : yFirst;
  const auto last = walkStrip ? xLast : yLast;

  Node* chosen = nullptr;
  float best = 0.0f;
  const std::less<const Node*> lowerAddress;
  for (auto it = first; it != last; ++it) {
    Node* n = *it;
    const bool inBox = walkStrip ? (yLow <= n->y && n->y < yHigh)
                                 : (xLow <= n->x && n->x <= xHigh);
    if (!inBox) continue;
    const float d = Distance(n->Position(), q);
    if (chosen == nullptr || d < best || (d == best && lowerAddress(n, chosen))) {
      best = d;
      chosen = n;
    }
  }
  if (chosen == nullptr || !(best < r)) return nullptr;
  return chosen;
}
