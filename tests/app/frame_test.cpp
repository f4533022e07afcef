#include "app_fixture.h"

using Frames = AppTest;

TEST_F(Frames, DrawsLinksAndNodesThenParticlesInOneScene) {
  lattice.nodes.front().state = directionBit[0];
  DrawFrame();
  const auto& log = Log();
  EXPECT_EQ(log.clearCount, 1u);
  EXPECT_EQ(log.lastClearFlags, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
  EXPECT_EQ(log.lastClearColor, 0u);
  EXPECT_EQ(log.lastClearZ, 1.0f);
  EXPECT_EQ(log.beginSceneCount, 1u);
  EXPECT_EQ(log.endSceneCount, 1u);
  EXPECT_EQ(log.presentCount, 1u);
  EXPECT_EQ(log.drawsOutsideScene, 0u);
  ASSERT_FALSE(log.draws.empty());
  EXPECT_EQ(log.draws.front().mesh, graphics.nodeMesh);
  EXPECT_EQ(log.draws.back().mesh, graphics.particleMesh);
  D3DMATRIX view;
  graphics.device->GetTransform(D3DTS_VIEW, &view);
  EXPECT_EQ(view._43, 20.0f);
}

TEST_F(Frames, OneGenerationEveryTwentyOneFrames) {
  Node& centre = lattice.nodes.front();
  centre.state = directionBit[0];
  for (int frame = 1; frame <= 20; ++frame) DrawFrame();
  EXPECT_EQ(centre.state, directionBit[0]);
  DrawFrame();  // the tick that returns the period
  EXPECT_EQ(centre.state, 0);
  EXPECT_EQ(centre.neighbours[0]->state, directionBit[0]);
  EXPECT_EQ(stepClock.count, 0);
}

TEST_F(Frames, SelectionHoldsTheClockAndIsDrawnRed) {
  for (int i = 0; i < 5; ++i) DrawFrame();
  LeftClick({0, 0});
  ASSERT_NE(selectedNode, nullptr);
  Log().draws.clear();
  for (int i = 0; i < 50; ++i) DrawFrame();
  EXPECT_EQ(stepClock.count, 5);
  int highlights = 0;
  for (const auto& d : Log().draws) {
    highlights += d.mesh == graphics.nodeMesh && d.material.Diffuse.g == 0.0f;
  }
  EXPECT_EQ(highlights, 50);

  // Deleting the selected node: the next frame has no highlight and the clock runs.
  Key(46);
  Log().draws.clear();
  DrawFrame();
  EXPECT_EQ(stepClock.count, 6);
  for (const auto& d : Log().draws) {
    EXPECT_FALSE(d.mesh == graphics.nodeMesh && d.material.Diffuse.g == 0.0f);
  }
}

TEST_F(Frames, GenerationCountsTheClocksStepsAndEntersAndNothingElse) {
  ASSERT_EQ(generation, 0u);
  for (int frame = 1; frame <= 3 * 21; ++frame) DrawFrame();
  EXPECT_EQ(generation, 3u) << "one a generation of the clock";
  Key(13);
  EXPECT_EQ(generation, 4u) << "Enter with nothing selected";

  // Every other command, with and without a selection, and frames while
  // the selection holds the clock: no generation.
  lattice.nodes.front().state = directionBit[0];
  for (WPARAM key : {67, 86, 70, 82, 65, 68, 83, 87, 48, 49, 46, 81, 16, 55}) Key(key);
  Wheel(120);
  Wheel(-120);
  RightClick({2.5f, 1.5f});
  LeftClick({0, 0});
  ASSERT_NE(selectedNode, nullptr);
  for (WPARAM key : {48, 49, 54, 67, 86, 65, 68, 83, 87, 70, 82, 16}) Key(key);
  for (int frame = 0; frame < 50; ++frame) DrawFrame();
  EXPECT_EQ(generation, 4u);
  EXPECT_EQ(stepClock.count, 0) << "the clock held";

  Key(13);
  EXPECT_EQ(generation, 5u) << "Enter with a node selected";
  Key(46);
  ASSERT_EQ(selectedNode, nullptr);
  for (int frame = 1; frame <= 20; ++frame) DrawFrame();
  EXPECT_EQ(generation, 5u);
  DrawFrame();
  EXPECT_EQ(generation, 6u) << "the clock, resumed";
}
