#include "ui/gear.h"

#include <gtest/gtest.h>

#include "test_rig.h"
#include "ui/paint.h"
#include "ui/spinner.h"
#include "ui/window_style.h"

namespace kestrane {
namespace {

using testing::TestRig;

std::vector<std::pair<int, int>> Pairs(const Point *p, int n) {
  std::vector<std::pair<int, int>> out;
  for (int i = 0; i < n; ++i) out.emplace_back(p[i].x, p[i].y);
  return out;
}

TEST(Gear, DefaultButtonVertices) {
  GearOutline g = GearVertices(12, 12, 7, 0.0f);
  // Inner radius 5; outer 9 across and 11 down. The angle grows in single precision, so a
  // quarter turn is a hair off π/2 and truncation toward zero lands a pixel short:
  // (16, 11) where exact arithmetic would give (17, 12).
  EXPECT_EQ(Pairs(g.first, 16), (std::vector<std::pair<int, int>>{{12, 17},
                                                                  {12, 23},
                                                                  {12, 23},
                                                                  {15, 15},
                                                                  {16, 11},
                                                                  {20, 11},
                                                                  {20, 11},
                                                                  {15, 8},
                                                                  {11, 7},
                                                                  {11, 1},
                                                                  {11, 1},
                                                                  {8, 8},
                                                                  {7, 12},
                                                                  {3, 12},
                                                                  {3, 12},
                                                                  {8, 15}}));
  // The second polygon lies an eighth of a turn further on.
  EXPECT_EQ(Pairs(g.second, 4),
            (std::vector<std::pair<int, int>>{{15, 15}, {18, 19}, {18, 19}, {16, 12}}));
}

TEST(Gear, WiderButtonUsesTheSmallerSideForTheRadius) {
  TestRig rig;
  rig.manager.settings.width = 40;
  rig.manager.settings.height = 30;
  rig.canvas.client = {0, 0, 40, 30};
  PaintManagerWindow(rig.manager, WindowHandle{1});
  ASSERT_EQ(rig.canvas.polygons.size(), 2u);
  // r = 10, centre (20, 15): the first tooth reaches 14 pixels down.
  EXPECT_EQ(rig.canvas.polygons[0].points[0].x, 20);
  EXPECT_EQ(rig.canvas.polygons[0].points[0].y, 23);
  EXPECT_EQ(rig.canvas.polygons[0].points[1].y, 29);
}

TEST(Paint, BufferedStyleBackgroundGearAndOnlyTheInvalidPartCopied) {
  TestRig rig;
  rig.shell.style.bytes[16] = 0x40;  // fill colour
  rig.manager.style.outline = 0;
  LoadStyle(rig.manager);
  rig.canvas.invalid = {2, 3, 10, 11};
  PaintManagerWindow(rig.manager, WindowHandle{1});
  EXPECT_EQ(
      rig.log.entries(),
      (std::vector<std::string>{
          "GetSettingPtr 1", "GetSettingPtr 13", "BeginPaint", "CreateBuffer like window 25x25",
          "MakeStyleGradient 25x25 border", "Polygon buffer 16", "Polygon buffer 16",
          "CopyBuffer buffer to window 2,3,10,11", "ReleaseBuffer", "EndPaint"}));
  EXPECT_EQ(rig.canvas.polygons[0].fill, 0x40u);
  EXPECT_EQ(rig.canvas.polygons[0].outline, 0x00112233u);
  EXPECT_EQ(rig.canvas.openBuffers, 0);
  EXPECT_EQ(rig.canvas.openPaints, 0);
}

TEST(Paint, TransparentBackFloatingFillsTheColourKeyButDockedDrawsTheStyle) {
  TestRig rig;
  rig.manager.settings.transbackEnabled = true;
  PaintManagerWindow(rig.manager, WindowHandle{1});
  EXPECT_NE(rig.log.IndexOf("FillRect buffer 0,0,25,25 15073535"), -1);  // 0x00E600FF
  EXPECT_EQ(rig.log.IndexOf("MakeStyleGradient"), -1);
  rig.log.Clear();
  rig.manager.settings.inSlit = true;
  PaintManagerWindow(rig.manager, WindowHandle{1});
  EXPECT_EQ(rig.log.IndexOf("FillRect"), -1);
  EXPECT_NE(rig.log.IndexOf("MakeStyleGradient"), -1);
}

TEST(Paint, TooSmallForAGearPaintsOnlyTheBackgroundYetSlowsTheSpinner) {
  TestRig rig;
  rig.manager.settings.height = 9;
  PluginEntry &marked = rig.manager.plugins.slots[0];
  marked.inUse = marked.running = marked.updateAvailable = true;  // no mark either
  rig.manager.spinner.running = 1;
  rig.manager.spinner.speed = 0.02f;
  PaintManagerWindow(rig.manager, WindowHandle{1});
  EXPECT_TRUE(rig.canvas.polygons.empty());
  EXPECT_TRUE(rig.log.Matching("FillRect").empty());
  EXPECT_LT(rig.manager.spinner.speed.load(), 0.0f);
}

TEST(Spinner, AcceleratesHoversAndStops) {
  TestRig rig;
  Spinner &s = rig.manager.spinner;
  StartSpinner(rig.manager);
  ASSERT_EQ(rig.kernel.pending.size(), 1u);
  StartSpinner(rig.manager);  // already running: no second thread
  EXPECT_EQ(rig.kernel.pending.size(), 1u);

  std::vector<float> speeds;
  for (int frame = 0; frame < 10; ++frame) {
    AdvanceSpinner(s);
    speeds.push_back(s.speed.load());
  }
  EXPECT_FLOAT_EQ(speeds[0], 0.05f);
  EXPECT_FLOAT_EQ(speeds[5], 0.30f);
  EXPECT_FLOAT_EQ(speeds[6], 0.35f);  // past π/10: from here it hovers around it
  EXPECT_FLOAT_EQ(speeds[7], 0.30f);
  EXPECT_FLOAT_EQ(speeds[8], 0.35f);
  // Turning decreases the angle and wraps from 0 to 2π.
  EXPECT_GT(s.angle.load(), 4.0f);

  StopSpinner(rig.manager);
  int frames = 0;
  while (s.speed.load() >= 0.0f && frames < 20) {
    AdvanceSpinner(s);
    ++frames;
  }
  EXPECT_LT(frames, 9);
  rig.kernel.RunPendingThreads();  // the thread sees a negative speed and ends
  EXPECT_EQ(s.running.load(), 0);
  float angle = s.angle.load();
  AdvanceSpinner(s);  // not running: the gear keeps its angle
  EXPECT_EQ(s.angle.load(), angle);
}

TEST(Spinner, AngleWrapsAtBothEnds) {
  Spinner s;
  s.running = 1;
  s.angle = 0.1f;
  s.speed = 0.2f;
  s.targetSpeed = 1.0f;
  AdvanceSpinner(s);
  EXPECT_FLOAT_EQ(s.angle.load(), 6.2831855f);
  s.angle = 6.2f;
  s.speed = -0.2f;
  AdvanceSpinner(s);
  EXPECT_EQ(s.angle.load(), 0.0f);
}

}  // namespace
}  // namespace kestrane
