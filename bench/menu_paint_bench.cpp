// Building the whole menu for a full table against the shell storing the same menu, and
// painting a frame of a turning gear against a still one.
#include <benchmark/benchmark.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/plugin_table.h"
#include "platform/shell.h"
#include "test_rig.h"
#include "ui/manager_menu.h"
#include "ui/paint.h"

namespace {

using namespace kestrane;

// A shell whose menu functions do nothing, so only the building is measured.
class SilentMenuShell : public Shell {
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

// The calls a menu was built with, to make them again without building it.
struct MenuCall {
  enum Kind { kNamed, kItem, kInt, kSub, kNop, kShow } kind;
  MenuHandle menu{}, child{};
  std::string title, command;
  bool flag = false;
  int value = 0, minimum = 0, maximum = 0;
};

std::string Text(const char *text) { return text ? text : ""; }

class RecordingShell final : public SilentMenuShell {
 public:
  using SilentMenuShell::SilentMenuShell;
  std::vector<MenuCall> calls;

  MenuHandle MakeNamedMenu(const char *title, const char *id, bool popup) override {
    calls.push_back(
        {MenuCall::kNamed, MenuHandle{calls.size() + 1}, {}, Text(title), Text(id), popup});
    return calls.back().menu;
  }
  void MakeMenuItem(MenuHandle menu, const char *title, const char *command,
                    bool checked) override {
    calls.push_back({MenuCall::kItem, menu, {}, Text(title), Text(command), checked});
  }
  void MakeMenuItemInt(MenuHandle menu, const char *title, const char *command, int value,
                       int minimum, int maximum) override {
    calls.push_back(
        {MenuCall::kInt, menu, {}, Text(title), Text(command), false, value, minimum, maximum});
  }
  void MakeSubmenu(MenuHandle parent, MenuHandle child, const char *title) override {
    calls.push_back({MenuCall::kSub, parent, child, Text(title), ""});
  }
  void MakeMenuNOP(MenuHandle menu, const char *title) override {
    calls.push_back({MenuCall::kNop, menu, {}, Text(title), ""});
  }
  void ShowMenu(MenuHandle menu) override { calls.push_back({MenuCall::kShow, menu, {}, "", ""}); }
};

// Makes the recorded calls on `shell`, handing on the menus it makes.
void Replay(const std::vector<MenuCall> &calls, Shell &shell) {
  std::map<MenuHandle, MenuHandle> made;
  for (const MenuCall &c : calls) {
    switch (c.kind) {
      case MenuCall::kNamed:
        made[c.menu] = shell.MakeNamedMenu(c.title.c_str(), c.command.c_str(), c.flag);
        break;
      case MenuCall::kItem:
        shell.MakeMenuItem(made[c.menu], c.title.c_str(), c.command.c_str(), c.flag);
        break;
      case MenuCall::kInt:
        shell.MakeMenuItemInt(made[c.menu], c.title.c_str(), c.command.c_str(), c.value, c.minimum,
                              c.maximum);
        break;
      case MenuCall::kSub: shell.MakeSubmenu(made[c.menu], made[c.child], c.title.c_str()); break;
      case MenuCall::kNop: shell.MakeMenuNOP(made[c.menu], c.title.c_str()); break;
      case MenuCall::kShow: shell.ShowMenu(made[c.menu]); break;
    }
  }
}

// A table with every slot used, ten bro@ms each, every class slot named, and a verified
// catalogue of 100 plug-ins not installed yet (in the rig's folder, the shell's here).
void FillTable(Manager &manager) {
  manager.layeredSupported = true;
  manager.settings.catalogueUrl = "http://site/catalogue.txt";
  manager.settings.catalogueKey = "11qYAYKxCrfVS/7TyWQHOg7hcvPapiMlrwIaaPcHURo=";
  std::ofstream catalogue("catalogue.txt", std::ios::binary);
  catalogue << "catalogue.plugins:";
  for (int i = 0; i < kMaxPlugins; ++i) catalogue << " p" << i;
  catalogue << "\n";
  for (int i = 0; i < kMaxPlugins; ++i) {
    const std::string p = "p" + std::to_string(i);
    catalogue << p << ".name: Plugin " << i << "\n"
              << p << ".version: 1.0\n"
              << p << ".date: 2004-06-01\n"
              << p << ".author: Ann\n"
              << p << ".information: What plug-in " << i << " does, in a line.\n"
              << p << ".folder: " << p << "\n"
              << p << ".library: " << p << ".dll\n"
              << p << ".files: http://site/" << p << ".dll http://site/" << p << ".txt\n"
              << p << ".sha256: " << std::string(64, 'a') << " " << std::string(64, 'b') << "\n";
  }
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
}

void BuildMenuForAFullTable(benchmark::State &state) {
  testing::TestRig rig;
  SilentMenuShell silent(rig.shell);
  Manager manager{
      Ports{silent, rig.desktop, rig.kernel, rig.libraries, rig.canvas, rig.internet, rig.folders}};
  FillTable(manager);
  for (auto _ : state) BuildManagerMenu(manager, true);
}
BENCHMARK(BuildMenuForAFullTable)->Unit(benchmark::kMicrosecond);

// The baseline: the test shell storing the same menu, as any shell must when it is made.
void StoreTheSameMenuInTheShell(benchmark::State &state) {
  testing::TestRig rig;
  RecordingShell recorder(rig.shell);
  Manager manager{Ports{recorder, rig.desktop, rig.kernel, rig.libraries, rig.canvas, rig.internet,
                        rig.folders}};
  FillTable(manager);
  BuildManagerMenu(manager, true);
  for (auto _ : state) {
    Replay(recorder.calls, rig.shell);
    rig.shell.menus.clear();
    rig.shell.shown.clear();
    rig.log.Clear();
  }
}
BENCHMARK(StoreTheSameMenuInTheShell)->Unit(benchmark::kMicrosecond);

void PaintFrame(benchmark::State &state, bool turning) {
  testing::TestRig rig;
  rig.manager.spinner.running = turning ? 1 : 0;
  rig.manager.spinner.targetSpeed = turning ? 0.31415927f : 0.0f;
  for (auto _ : state) {
    PaintManagerWindow(rig.manager, WindowHandle{1});
    rig.log.Clear();
    rig.canvas.polygons.clear();
  }
}

void PaintOneSpinnerFrame(benchmark::State &state) { PaintFrame(state, true); }
BENCHMARK(PaintOneSpinnerFrame)->Unit(benchmark::kMicrosecond);

void PaintOneStillFrame(benchmark::State &state) { PaintFrame(state, false); }
BENCHMARK(PaintOneStillFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
