// Building the whole menu for a full table, and painting one frame of a turning gear.
#include <benchmark/benchmark.h>

#include <string>

#include "core/plugin_table.h"
#include "platform/shell.h"
#include "test_rig.h"
#include "ui/manager_menu.h"
#include "ui/paint.h"

namespace {

using namespace kestrane;

// A shell whose menu functions do nothing, so only the building is measured.
class SilentMenuShell final : public Shell {
 public:
  explicit SilentMenuShell(Shell &inner) : inner_(inner) {}
  WindowHandle CoreWindow() override { return inner_.CoreWindow(); }
  Path Folder() override { return inner_.Folder(); }
  Path Editor() override { return inner_.Editor(); }
  void Execute(const char *, const char *) override {}
  bool ReadBool(const char *f, const char *k, bool d) override { return inner_.ReadBool(f, k, d); }
  int ReadInt(const char *f, const char *k, int d) override { return inner_.ReadInt(f, k, d); }
  Path ReadString(const char *f, const char *k, const char *d) override {
    return inner_.ReadString(f, k, d);
  }
  LongText ReadLongString(const char *f, const char *k, const char *d) override {
    return inner_.ReadLongString(f, k, d);
  }
  void WriteBool(const char *, const char *, bool) override {}
  void WriteInt(const char *, const char *, int) override {}
  void WriteString(const char *, const char *, const char *) override {}
  bool FileExists(const char *p) override { return inner_.FileExists(p); }
  MenuHandle MakeNamedMenu(const char *, const char *, bool) override { return MenuHandle{1}; }
  void MakeMenuItem(MenuHandle, const char *, const char *, bool) override {}
  void MakeMenuItemInt(MenuHandle, const char *, const char *, int, int, int) override {}
  void MakeSubmenu(MenuHandle, MenuHandle, const char *) override {}
  void MakeMenuNOP(MenuHandle, const char *) override {}
  void ShowMenu(MenuHandle) override {}
  bool MakeSticky(WindowHandle) override { return true; }
  void RemoveSticky(WindowHandle) override {}
  void SnapWindowToEdge(std::intptr_t, int, unsigned) override {}
  void MakeStyleGradient(DeviceContext, const Rect &, const StyleRecord &, bool) override {}
  StyleRecord Style() override { return {}; }
  ColourRef OutlineColour() override { return 0; }
  std::intptr_t Send(WindowHandle, unsigned, std::uintptr_t, std::intptr_t) override { return 0; }

 private:
  Shell &inner_;
};

void BuildMenuForAFullTable(benchmark::State &state) {
  testing::TestRig rig;
  SilentMenuShell silent(rig.shell);
  Manager manager{Ports{silent, rig.desktop, rig.kernel, rig.libraries, rig.canvas, rig.internet,
                        rig.digest, rig.folders}};
  manager.layeredSupported = true;
  for (int i = 0; i < kMaxPlugins; ++i) {
    PluginEntry &e = manager.plugins.slots[i];
    e.name.Format("Plugin %d", i);
    std::string broams;
    for (int b = 0; b < 10; ++b)
      broams += "@Plugin" + std::to_string(i) + " Command" + std::to_string(b);
    e.broams = BroamListFromInfo(broams.c_str());
    e.inUse = e.running = e.slitOnly = true;
    e.updateAvailable = true;
  }
  for (int i = 0; i < kClassSlots; ++i) {
    manager.transClasses.slots[i].Format("TransClass%d", i);
    manager.stickyClasses.slots[i].Format("StickyClass%d", i);
  }
  for (auto _ : state) BuildManagerMenu(manager, true);
}
BENCHMARK(BuildMenuForAFullTable)->Unit(benchmark::kMicrosecond);

void PaintOneSpinnerFrame(benchmark::State &state) {
  testing::TestRig rig;
  rig.manager.spinner.running = 1;
  rig.manager.spinner.targetSpeed = 0.31415927f;
  for (auto _ : state) {
    PaintManagerWindow(rig.manager, WindowHandle{1});
    rig.log.Clear();
    rig.canvas.polygons.clear();
  }
}
BENCHMARK(PaintOneSpinnerFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
