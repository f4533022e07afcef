// A generation on the start-up grid, beside a flat-array reference of the same
// rule (nodes in one array, neighbours as indices) that shows how close the
// node-list layout comes to what the hardware allows.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "lattice/hex_grid.h"

namespace {

constexpr int kRings = 25;

struct FlatLattice {
  std::vector<std::int32_t> neighbour;  // 6 per node, -1 for none
  std::vector<std::uint8_t> state, tag, nextState, nextTag;

  explicit FlatLattice(const Lattice& lattice) {
    std::unordered_map<const Node*, std::int32_t> index;
    for (const Node& n : lattice.nodes) index.emplace(&n, static_cast<std::int32_t>(index.size()));
    for (const Node& n : lattice.nodes) {
      for (const Node* m : n.neighbours) neighbour.push_back(m ? index.at(m) : -1);
      state.push_back(n.state);
      tag.push_back(n.tag);
    }
    nextState.assign(state.size(), 0);
    nextTag.assign(state.size(), 0);
  }

  void Step() {
    const std::size_t count = state.size();
    for (std::size_t n = 0; n < count; ++n) {
      const std::int32_t* nb = &neighbour[6 * n];
      for (int i = 0; i < 6; ++i) {
        const int o = opposite(i);
        const std::uint8_t bit = directionBit[i];
        if (nb[o] >= 0) {
          if (state[nb[o]] & bit) {
            nextState[n] |= bit;
            nextTag[n] |= tag[nb[o]] & bit;
          }
        } else if (HasBit(state[n], o) && nb[i] >= 0) {
          nextState[nb[i]] |= bit;
          if (HasBit(tag[n], o)) nextTag[nb[i]] |= bit;
        }
      }
    }
    for (std::size_t n = 0; n < count; ++n) {
      state[n] = nextState[n];
      tag[n] = nextTag[n];
      nextState[n] = 0;
      nextTag[n] = 0;
    }
  }
};

Lattice& RandomizedGrid() {
  static Lattice lattice;
  if (lattice.nodes.empty()) BuildHexGrid(lattice, {0, 0}, kRings);
  std::srand(1);
  lattice.RandomizeParticles();
  return lattice;
}

void BM_Step(benchmark::State& state) {
  Lattice& lattice = RandomizedGrid();
  for (auto _ : state) lattice.Step();
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lattice.nodes.size()));
}
BENCHMARK(BM_Step);

void BM_StepFlatReference(benchmark::State& state) {
  FlatLattice flat(RandomizedGrid());
  for (auto _ : state) flat.Step();
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(flat.state.size()));
}
BENCHMARK(BM_StepFlatReference);

void BM_RandomizeParticles(benchmark::State& state) {
  Lattice& lattice = RandomizedGrid();
  for (auto _ : state) lattice.RandomizeParticles();
}
BENCHMARK(BM_RandomizeParticles);

void BM_ClearParticles(benchmark::State& state) {
  Lattice& lattice = RandomizedGrid();
  for (auto _ : state) {
    lattice.ClearParticles();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ClearParticles);

}  // namespace
