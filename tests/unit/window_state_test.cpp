#include "ui/window_state.h"

#include <gtest/gtest.h>

#include "test_rig.h"
#include "ui/window_style.h"

namespace kestrane {
namespace {

using testing::FakeWindow;
using testing::TestRig;

// A rig with a plain window (tool window only) standing in for the button.
struct WindowRig : TestRig {
  WindowRig() {
    desktop.windows[window] = FakeWindow{"Kestrane", winstyle::kExToolWindow, 0, 0, 0, 0, 0};
    manager.managerWindow = window;
    manager.layeredSupported = true;
    manager.settings.x = 30;
    manager.settings.y = -4;
  }
  FakeWindow &w() { return desktop.Window(window); }
  WindowHandle window{0x42};
};

TEST(ApplyWindowState, FloatingLayeredWithColourKeyAndFullAlpha) {
  WindowRig rig;
  ApplyWindowState(rig.manager);
  EXPECT_EQ(rig.w().exStyle, winstyle::kExToolWindow | winstyle::kExLayered);
  EXPECT_TRUE(rig.w().layeredSet);
  EXPECT_EQ(rig.w().colourKey, 0x00E600FFu);
  EXPECT_EQ(rig.w().alpha, 255u);  // transparency off
  EXPECT_EQ(rig.w().layeredFlags, 3u);
  EXPECT_TRUE(rig.w().topMost);
  EXPECT_TRUE(rig.w().visible);
  EXPECT_EQ(rig.w().x, 30);
  EXPECT_EQ(rig.w().y, -4);
  EXPECT_EQ(rig.w().width, 25);
  EXPECT_EQ(rig.w().height, 25);
  EXPECT_EQ(rig.w().invalidations, 1);
  EXPECT_EQ(rig.log.entries().back(), "Invalidate");
  EXPECT_NE(rig.log.IndexOf("SetWindowPos 30 -4 25 25 flags=80"), -1);  // show + no-activate
}

TEST(ApplyWindowState, TransparencyTakesTheLowEightBitsOfAlpha) {
  WindowRig rig;
  rig.manager.settings.transparencyEnabled = true;
  rig.manager.settings.transparencyAlpha = 300;
  ApplyWindowState(rig.manager);
  EXPECT_EQ(rig.w().alpha, 44u);
  rig.manager.settings.transparencyAlpha = -1;
  ApplyWindowState(rig.manager);
  EXPECT_EQ(rig.w().alpha, 255u);
}

TEST(ApplyWindowState, DockedDropsTheLayeredBitButStillPlaces) {
  WindowRig rig;
  rig.w().exStyle |= winstyle::kExLayered;
  rig.manager.settings.inSlit = true;
  rig.manager.settings.alwaysOnTop = false;
  ApplyWindowState(rig.manager);
  EXPECT_EQ(rig.w().exStyle, winstyle::kExToolWindow);
  EXPECT_FALSE(rig.w().layeredSet);
  EXPECT_FALSE(rig.w().topMost);
  EXPECT_EQ(rig.log.Matching("SetWindowPos").size(), 1u);
}

TEST(ApplyWindowState, WithoutLayeredSupportNoLayeredCallsAtAll) {
  WindowRig rig;
  rig.manager.layeredSupported = false;
  rig.manager.settings.transparencyEnabled = true;
  ApplyWindowState(rig.manager);
  EXPECT_EQ(rig.w().exStyle, winstyle::kExToolWindow);
  EXPECT_TRUE(rig.log.Matching("SetExStyle").empty());
  EXPECT_TRUE(rig.log.Matching("SetLayeredAttributes").empty());
}

TEST(ApplyWindowState, HiddenOnlyWhenTheShellHidesAndToggleWithPluginsIsOn) {
  WindowRig rig;
  rig.w().visible = true;
  rig.manager.hiddenByHost = true;
  ApplyWindowState(rig.manager);
  EXPECT_FALSE(rig.w().visible);
  EXPECT_TRUE(rig.log.Matching("SetWindowPos").empty());  // hiding stops there

  rig.manager.settings.toggleWithPlugins = false;
  ApplyWindowState(rig.manager);
  EXPECT_TRUE(rig.w().visible);
}

TEST(LoadStyle, CopiesTheStyleAndTakesTheGearColours) {
  TestRig rig;
  rig.shell.style.bytes[16] = 0x11;
  rig.shell.style.bytes[17] = 0x22;
  rig.shell.style.bytes[18] = 0x33;
  rig.shell.style.bytes[299] = 0x7F;
  LoadStyle(rig.manager);
  EXPECT_EQ(GearFillColour(rig.manager.style), 0x00332211u);
  EXPECT_EQ(rig.manager.style.outline, 0x00112233u);
  EXPECT_EQ(rig.manager.style.record.bytes[299], 0x7F);
}

}  // namespace
}  // namespace kestrane
