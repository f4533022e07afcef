// The dynamics: a generation (streaming with reflection at missing links) and
// particle editing. There is no header: these are member functions of the
// lattice's records, declared in lattice/node.h (Node::Gather, Node::Commit,
// Node::ToggleParticle) and lattice/lattice.h (Lattice::Step,
// Lattice::RandomizeParticles, Lattice::ClearParticles), and defined here.
#include <cstdlib>

#include "lattice/lattice.h"

// Everything is written by OR, so the outcome of the gather pass does not
// depend on the order in which nodes are gathered.
void Node::Gather() {
  for (int i = 0; i < 6; ++i) {
    const int o = opposite(i);
    const std::uint8_t bit = directionBit[i];
    if (const Node* source = neighbours[o]) {
      if (HasBit(source->state, i)) {
        nextState |= bit;
        nextTag |= source->tag & bit;
      }
    } else if (HasBit(state, o)) {
      // Heading for a missing link: reversed, and one link back in the same
      // generation. Lost when there is no link that way either.
      if (Node* back = neighbours[i]) {
        back->nextState |= bit;
        if (HasBit(tag, o)) back->nextTag |= bit;
      }
    }
  }
}

void Node::Commit() {
  state = nextState;
  tag = nextTag;
  nextState = 0;
  nextTag = 0;
}

void Node::ToggleParticle(int direction) {
  if (neighbours[direction] == nullptr) return;
  state ^= directionBit[direction];
  tag ^= directionBit[direction];
}

// No commit before the last gather: a gather reads its neighbours' current bytes.
void Lattice::Step() {
  for (Node& n : nodes) n.Gather();
  for (Node& n : nodes) n.Commit();
}

// One or three draws per node, in this order: parity decides whether the node
// gets a particle, the second draw its direction, the third whether its tag
// byte becomes exactly that particle's bit.
void Lattice::RandomizeParticles() {
  for (Node& n : nodes) {
    if (std::rand() % 2 != 0) {
      n.state = 0;
      continue;
    }
    const std::uint8_t bit = directionBit[std::rand() % 6];
    n.state = bit;
    if (std::rand() % 2 == 0) n.tag = bit;
  }
}

void Lattice::ClearParticles() {
  for (Node& n : nodes) n.state = 0;
}
