// Editing costs on the start-up grid.
#include <benchmark/benchmark.h>

#include <iterator>

#include "lattice/hex_grid.h"

namespace {

void BM_BuildHexGrid25(benchmark::State& state) {
  for (auto _ : state) {
    Lattice lattice;
    BuildHexGrid(lattice, {0, 0}, 25);
    benchmark::DoNotOptimize(lattice.nodes.size());
  }
}
BENCHMARK(BM_BuildHexGrid25)->Unit(benchmark::kMillisecond);

void BM_NearestNode(benchmark::State& state) {
  Lattice lattice;
  BuildHexGrid(lattice, {0, 0}, 25);
  float x = -120.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(lattice.NearestNode({x, 0.25f * x}));
    x = x > 120.0f ? -120.0f : x + 0.37f;
  }
}
BENCHMARK(BM_NearestNode);

// Add a node at a free grid hole and remove it again: one pair per iteration.
void BM_AddAndRemoveNode(benchmark::State& state) {
  Lattice lattice;
  BuildHexGrid(lattice, {0, 0}, 25);
  Node* hole = nullptr;
  for (Node& n : lattice.nodes) {
    if (n.x == 0.0f && n.y == 0.0f) hole = &n;
  }
  lattice.RemoveNode(hole);
  for (auto _ : state) {
    lattice.AddNode(Node(PlanePoint{0, 0}));
    lattice.RemoveNode(&lattice.nodes.back());
  }
}
BENCHMARK(BM_AddAndRemoveNode);

void BM_RemoveNode(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Lattice lattice;
    BuildHexGrid(lattice, {0, 0}, 25);
    Node* victim = &*std::next(lattice.nodes.begin(), 900);
    state.ResumeTiming();
    lattice.RemoveNode(victim);
  }
}
BENCHMARK(BM_RemoveNode);

// One key-step move of an interior node and back, with the full protocol.
void BM_MoveOneStep(benchmark::State& state) {
  Lattice lattice;
  BuildHexGrid(lattice, {0, 0}, 25);
  Node& n = *std::next(lattice.nodes.begin(), 500);
  const float keyStep = kSpacing / 100.0f;
  float sign = 1.0f;
  for (auto _ : state) {
    n.x = n.x + sign * keyStep;
    lattice.ReindexX(n);
    lattice.RelinkAround(n);
    sign = -sign;
  }
}
BENCHMARK(BM_MoveOneStep);

}  // namespace
