#include <cmath>

#include "app_fixture.h"

using Commands = AppTest;

TEST_F(Commands, LeftClickSelectsTheNearestNodeOrClearsTheSelection) {
  Node* target = NodeAt(DirectionTable[0].x, DirectionTable[0].y);
  LeftClick({5.3f, 0.2f});
  EXPECT_EQ(selectedNode, target);
  LeftClick({2.5f, 1.4f});  // inside a triangle, no node within reach
  EXPECT_EQ(selectedNode, nullptr);
}

TEST_F(Commands, RightClickAddsANodeEvenOnTopOfAnother) {
  const size_t before = lattice.nodes.size();
  RightClick({0.0f, 0.0f});
  EXPECT_EQ(lattice.nodes.size(), before + 1);
  const Node& added = lattice.nodes.back();
  EXPECT_NEAR(added.x, 0.0f, 0.03f);
  EXPECT_NEAR(added.y, 0.0f, 0.03f);
  EXPECT_EQ(selectedNode, nullptr);  // adding leaves the selection alone
  RightClick({40.0f, 40.0f});          // off the grid, alone
  EXPECT_EQ(lattice.nodes.size(), before + 2);
}

TEST_F(Commands, DigitsToggleTheSelectedNodeDirectionDigitModSix) {
  LeftClick({0, 0});
  Node* centre = selectedNode;
  ASSERT_NE(centre, nullptr);
  Key('0');
  EXPECT_EQ(centre->state, directionBit[0]);
  Key('6');  // the same direction again: off
  EXPECT_EQ(centre->state, 0);
  Key('2');
  EXPECT_EQ(centre->state, directionBit[2]);
  Key('7');
  Key('8');
  Key('9');
  EXPECT_EQ(centre->state, directionBit[2]);
  EXPECT_EQ(centre->tag, directionBit[2]);
}

TEST_F(Commands, LettersMoveTheSelectedNodeOrPanTheCamera) {
  const D3DXVECTOR3 eye = camera.eye;
  LeftClick({5, 0});
  Node* node = selectedNode;
  ASSERT_NE(node, nullptr);
  for (int i = 0; i < 3; ++i) Key('D');  // a held key repeats
  Key('W');
  EXPECT_EQ(camera.eye, eye);
  EXPECT_FLOAT_EQ(node->x, 5.15f);
  EXPECT_FLOAT_EQ(node->y, 0.05f);
  Key('A');
  Key('S');
  EXPECT_FLOAT_EQ(node->x, 5.1f);
  EXPECT_FLOAT_EQ(node->y, 0.0f);
  // The node re-placed in the index and still linked where it stands.
  for (size_t i = 1; i < lattice.byX.size(); ++i) EXPECT_LE(lattice.byX[i - 1]->x, lattice.byX[i]->x);
  EXPECT_EQ(node->neighbours[3], NodeAt(0, 0));

  LeftClick({2.5f, 1.4f});
  ASSERT_EQ(selectedNode, nullptr);
  Key('D');
  Key('W');
  EXPECT_EQ(camera.eye.x, 0.4f);
  EXPECT_EQ(camera.eye.y, 0.4f);
  Key('A');
  Key('S');
  EXPECT_NEAR(camera.eye.x, 0.0f, 1e-7f);  // 0.4 is not exact in float
  EXPECT_NEAR(camera.eye.y, 0.0f, 1e-7f);
  EXPECT_FLOAT_EQ(node->x, 5.1f);
}

TEST_F(Commands, AnyKeyRelinksTheSelectedNode) {
  LeftClick({0, 0});
  Node* centre = selectedNode;
  Node* east = centre->neighbours[0];
  centre->neighbours[0] = nullptr;  // as a stale answer would be
  Key(16);                          // Shift: no command of its own
  EXPECT_EQ(centre->neighbours[0], east);
}

TEST_F(Commands, DeleteRemovesOnlyTheSelectedNode) {
  const size_t before = lattice.nodes.size();
  Key(46);  // nothing selected: nothing happens
  EXPECT_EQ(lattice.nodes.size(), before);
  LeftClick({0, 0});
  Node* centre = selectedNode;
  Node* east = centre->neighbours[0];
  Key(46);
  EXPECT_EQ(selectedNode, nullptr);
  EXPECT_EQ(lattice.nodes.size(), before - 1);
  EXPECT_EQ(east->neighbours[3], nullptr);
  LeftClick({5, 0});
  Key('Q');
  EXPECT_EQ(lattice.nodes.size(), before - 2);
  EXPECT_EQ(selectedNode, nullptr);
}

TEST_F(Commands, ParticleAndCameraCommands) {
  LeftClick({0, 0});
  Key('1');
  Key(13);  // Enter steps at once, even with the clock held
  EXPECT_EQ(selectedNode->state, 0);
  EXPECT_EQ(selectedNode->neighbours[1]->state, directionBit[1]);
  Key('V');
  int particles = 0;
  for (const Node& n : lattice.nodes) particles += n.state != 0;
  EXPECT_GT(particles, 0);
  Key('C');
  for (const Node& n : lattice.nodes) EXPECT_EQ(n.state, 0);
  Key('R');
  EXPECT_EQ(camera.eye.z, -18.0f);
  Key('F');
  EXPECT_EQ(camera.eye.z, -19.8f);
}

TEST_F(Commands, OneZoomStepPerWheelMessage) {
  Wheel(240);
  EXPECT_EQ(camera.eye.z, -18.0f);
  Wheel(0);
  EXPECT_EQ(camera.eye.z, -19.8f);
  Wheel(-120);
  EXPECT_FLOAT_EQ(camera.eye.z, -21.78f);
  EXPECT_EQ(WindowProc(window, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0), 0);
}

TEST_F(Commands, EscapeDestroysTheWindowAndStillRelinksTheSelection) {
  LeftClick({0, 0});
  Node* centre = selectedNode;
  centre->neighbours[2] = nullptr;
  Key(27);
  EXPECT_TRUE(Drain());  // the quit message is queued
  EXPECT_NE(centre->neighbours[2], nullptr);
  window = CreateWindowExA(0, "LatticeTest", "test", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, 1024, 768, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(Commands, ClicksWhereTheMappingIsNotFiniteDoNothing) {
  for (int i = 0; i < 2000; ++i) Key('F');
  ASSERT_TRUE(std::isfinite(camera.eye.z));
  for (int i = 0; i < 300; ++i) Key('D');
  const size_t before = lattice.nodes.size();
  for (int x : {0, 512, 1023}) {
    WindowProc(window, WM_RBUTTONDOWN, 0, MAKELPARAM(x, 767));
    WindowProc(window, WM_LBUTTONDOWN, 0, MAKELPARAM(x, 0));
  }
  for (const Node& n : lattice.nodes) {
    EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y));
  }
  EXPECT_LE(lattice.nodes.size(), before + 3);
  EXPECT_EQ(selectedNode, nullptr);
}
