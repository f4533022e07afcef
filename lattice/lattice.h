#pragma once

#include <list>
#include <vector>

#include "lattice/node.h"

// The length of the segment between two plane points, each step rounded to float.
float Distance(PlanePoint a, PlanePoint b);

// Owns every node and keeps the neighbour links in step with node positions.
// Links are found by proximity: a node's neighbour in direction k is whatever
// node lies nearest its position plus DirectionTable[k], within pickRadius.
struct Lattice {
  std::vector<Node*> byX;  // every node once, ordered by x
  std::vector<Node*> byY;  // every node once, ordered by y
  std::list<Node> nodes;   // owns the nodes, in order of addition
  float pickRadius;

  // Seeds the C library's generator from the clock; only RandomizeParticles draws from it.
  Lattice();

  // Appends a copy of a freshly made node, indexes it and links it both ways.
  void AddNode(const Node& record);
  // Unlinks, unindexes and releases the node; null is ignored. Every node that
  // held a link to it is relinked, so no link outlives it.
  void RemoveNode(Node* node);
  // Recomputes this node's six links from its position; nothing else changes.
  void LinkNode(Node& node);
  // Relinks the node and every node whose link from it changed, on either end.
  void RelinkAround(Node& node);
  // Re-places the node in byX (byY) after its x (y) changed.
  void ReindexX(Node& node);
  void ReindexY(Node& node);
  // The node nearest the point strictly within pickRadius (lowest address on a
  // tie), or null.
  Node* NearestNode(PlanePoint point) const;

  // The dynamics' operations, defined in dynamics/propagation.cpp:
  // one generation, every particle moving one link, reflecting at missing links;
  void Step();
  // about half the nodes get one particle in a random direction (the draws
  // are described at the definition);
  void RandomizeParticles();
  // every particle removed; tags stay.
  void ClearParticles();

 private:
  void InsertIntoIndexes(Node* node);
  void RemoveFromIndexes(const Node* node);
  void RelinkHoldersOf(const Node* removed);
};
