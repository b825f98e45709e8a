#include "core/settings.h"

#include "controllers/menu_clipper.h"
#include "core/manager.h"
#include "core/path_text.h"

namespace kestrane {

namespace {

// Blanks around a text go; a text of nothing but blanks is no text.
Path Tidy(Path text) {
  TrimBlanks(text);
  if (text.view().find_first_not_of(" \t\r\n") == std::string_view::npos) text.Clear();
  return text;
}

constexpr const char *kPreferredName = "Kestranerc";
constexpr const char *kFallbackName = "Kestrane.rc";
constexpr int kMostCheckEveryDays = 365;  // beyond it, as for a value that cannot be read: never

// Tries "Kestranerc" then "Kestrane.rc" in one folder; on a miss `candidate` holds the latter,
// or nothing when it does not fit: a cut name would be another file.
bool FindIn(Shell &shell, std::string_view folder, Path &candidate) {
  for (const char *name : {kPreferredName, kFallbackName}) {
    if (!candidate.Assign(folder) || !candidate.Append(name)) {
      candidate.Clear();
      continue;
    }
    if (shell.FileExists(candidate.c_str())) return true;
  }
  return false;
}

void ReadClassSlot(Manager &m, const char *format, int index, Path &slot) {
  BoundedText<64> key;
  key.Format(format, index);
  slot = m.ports.shell.ReadString(m.configFile.c_str(), key.c_str(), "");
}

}  // namespace

Path LocateConfigFile(Manager &manager) {
  Shell &shell = manager.ports.shell;
  Path ownPath = manager.ports.kernel.ModulePath(manager.module);
  Path own;
  if (FindIn(shell, FolderPart(ownPath.view()).view(), own)) return own;
  Path shellFile;
  if (FindIn(shell, shell.Folder().view(), shellFile)) return shellFile;
  return own;
}

void ReadSettings(Manager &m) {
  m.configFile = LocateConfigFile(m);
  Shell &shell = m.ports.shell;
  const char *file = m.configFile.c_str();
  ManagerSettings &s = m.settings;
  const ManagerSettings defaults;

  s.x = shell.ReadInt(file, key::kX, defaults.x);
  s.y = shell.ReadInt(file, key::kY, defaults.y);
  // A position off the right or bottom of the primary screen would leave the button where
  // nobody can reach it.
  ScreenSize screen = m.ports.desktop.PrimaryScreen();
  if (s.x >= screen.width) s.x = kDefaultPosition;
  if (s.y >= screen.height) s.y = kDefaultPosition;
  s.transparencyEnabled =
      shell.ReadBool(file, key::kTransparencyEnabled, defaults.transparencyEnabled);
  s.transparencyAlpha = shell.ReadInt(file, key::kTransparencyAlpha, defaults.transparencyAlpha);
  s.alwaysOnTop = shell.ReadBool(file, key::kAlwaysOnTop, defaults.alwaysOnTop);
  s.snapWindow = shell.ReadBool(file, key::kSnapWindow, defaults.snapWindow);
  s.toggleWithPlugins = shell.ReadBool(file, key::kToggleWithPlugins, defaults.toggleWithPlugins);
  s.defaultUpdateUrl = shell.ReadString(file, key::kDefaultUpdateUrl, "");
  s.pluginsRcFile = shell.ReadString(file, key::kPluginsRcFile, defaults.pluginsRcFile.c_str());
  s.transbackEnabled = shell.ReadBool(file, key::kTransbackEnabled, defaults.transbackEnabled);
  s.inSlit = shell.ReadBool(file, key::kInSlit, defaults.inSlit);
  s.globalTransparency =
      shell.ReadBool(file, key::kGlobalTransparency, defaults.globalTransparency);
  s.globalTransAlpha = shell.ReadInt(file, key::kGlobTransAlpha, defaults.globalTransAlpha);
  s.globalSticky = shell.ReadBool(file, key::kGlobalSticky, defaults.globalSticky);
  s.menuClipperEnabled =
      shell.ReadBool(file, key::kMenuClipperEnabled, defaults.menuClipperEnabled);
  s.width = shell.ReadInt(file, key::kWidth, defaults.width);
  s.height = shell.ReadInt(file, key::kHeight, defaults.height);
  for (int i = 0; i < kClassSlots; ++i) {
    ReadClassSlot(m, key::kTransClassFormat, i, m.transClasses.slots[i]);
    ReadClassSlot(m, key::kStickyClassFormat, i, m.stickyClasses.slots[i]);
  }
  s.checkEveryDays = shell.ReadInt(file, key::kCheckEveryDays, defaults.checkEveryDays);
  if (s.checkEveryDays < 0 || s.checkEveryDays > kMostCheckEveryDays) s.checkEveryDays = 0;
  s.lastCheck = shell.ReadString(file, key::kLastCheck, "").view();
  s.catalogueUrl = Tidy(shell.ReadString(file, key::kCatalogueUrl, ""));
  s.catalogueKey = Tidy(shell.ReadString(file, key::kCatalogueKey, ""));
  // A read that finds the clipper off leaves a running clipper alone.
  if (s.menuClipperEnabled) StartMenuClipper(m);
}

}  // namespace kestrane
