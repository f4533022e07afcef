#pragma once

#include <array>
#include <cstdint>

// A point of the lattice plane, in lattice units.
struct PlanePoint {
  float x = 0.0f;
  float y = 0.0f;
};

// Distance between neighbouring sites.
inline constexpr float kSpacing = 5.0f;

// Direction k points at k * 60 degrees from +x; bit k of a particle byte is
// one particle moving that way. Bits 6 and 7 are never used.
inline constexpr std::array<std::uint8_t, 6> directionBit = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20};

constexpr int opposite(int k) { return (k + 3) % 6; }

constexpr bool HasBit(std::uint8_t bits, int k) {
  return (bits & directionBit[k]) == directionBit[k];
}

using DirectionOffsets = std::array<PlanePoint, 6>;

// The plane offset of one step in each direction. Computed once before the
// first node exists; slightly asymmetric, and used as it is.
extern const DirectionOffsets DirectionTable;

DirectionOffsets ComputeDirectionTable();

// One lattice site. Its address is its identity: the lattice never moves a
// node while it exists.
struct Node {
  std::array<Node*, 6> neighbours{};  // non-owning; null where there is none
  std::uint8_t state = 0;             // bit k: a particle moving in direction k
  std::uint8_t tag = 0;               // bit k: that particle is tagged
  std::uint8_t nextState = 0;         // gathered during a generation only
  std::uint8_t nextTag = 0;
  float x = 0.0f;
  float y = 0.0f;

  explicit Node(PlanePoint p) : x(p.x), y(p.y) {}

  PlanePoint Position() const { return {x, y}; }

  // The dynamics' operations, defined in dynamics/propagation.cpp:
  // a generation's first half, the particles arriving here into the next
  // bytes (a particle heading for a missing link goes back one link, reversed);
  void Gather();
  // its second half, the next bytes made current;
  void Commit();
  // flips the particle moving in `direction`, and its tag, where a link leads that way.
  void ToggleParticle(int direction);
};
