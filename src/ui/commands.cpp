#include "ui/commands.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "controllers/class_capture.h"
#include "controllers/menu_clipper.h"
#include "controllers/window_controllers.h"
#include "core/manager.h"
#include "core/path_text.h"
#include "core/plugin_about.h"
#include "core/plugin_add_remove.h"
#include "core/plugin_table.h"
#include "ui/about_box.h"
#include "ui/flip_setting.h"
#include "ui/slit_toggle.h"
#include "ui/window_state.h"
#include "ui/window_style.h"
#include "update/automatic_check.h"
#include "update/update_commands.h"

namespace kestrane {

namespace {

constexpr std::string_view kInternalPrefix = "@KestraneInternal";
using BroamText = BoundedText<1024>;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// atoi's reading, but without its overflow: leading blanks, a sign, digits.
int ReadNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;
  }
  value = negative ? -value : value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

void EditFile(Manager &m, std::string_view name) {
  if (name.empty()) return;
  Path file = FolderPart(m.ports.kernel.ModulePath(m.module).view());
  // A cut path would open another file.
  if (!file.Append(name)) return;
  m.ports.shell.Execute(m.ports.shell.Editor().c_str(), file.c_str());
}

template <typename Action>
void WithPluginIndex(Manager &m, std::string_view command, Action action) {
  std::optional<int> index = CommandIndex(command);
  if (!index || !ValidSlot(*index) || !m.plugins.slots[*index].inUse) return;
  action(*index);
}

template <typename Action>
void WithClassIndex(std::string_view command, Action action) {
  std::optional<int> index = CommandIndex(command);
  if (!index || *index < 0 || *index >= kClassSlots) return;
  action(*index);
}

}  // namespace

std::optional<int> CommandIndex(std::string_view command) {
  std::size_t space = command.find(' ');
  if (space == std::string_view::npos) return std::nullopt;
  return ReadNumber(command.substr(space + 1));
}

void CarryOutCommand(Manager &m, std::string_view c) {
  ManagerSettings &s = m.settings;
  // Told apart by the first word alone: what follows it (a bro@m, a file name) may hold any
  // command's name. A command without an argument is the whole text.
  std::size_t space = c.find(' ');
  std::string_view w = c.substr(0, space);
  std::string_view argument = space == std::string_view::npos ? "" : c.substr(space + 1);
  const bool hasArgument = space != std::string_view::npos;
  if (EqualNoCase(c, "SlitToggle")) {
    ToggleSlit(m);
    AnnounceSetting(m, s.inSlit, c, key::kInSlit);
  } else if (EqualNoCase(w, "Edit")) {
    EditFile(m, argument);
  } else if (EqualNoCase(c, "AlwaysOnTop")) {
    FlipSetting(m, s.alwaysOnTop, c, key::kAlwaysOnTop);
  } else if (EqualNoCase(c, "SnapWindowToEdge")) {
    FlipSetting(m, s.snapWindow, c, key::kSnapWindow);
  } else if (EqualNoCase(c, "TransparencyEnabled")) {
    FlipSetting(m, s.transparencyEnabled, c, key::kTransparencyEnabled);
  } else if (EqualNoCase(c, "CheckForUpdates")) {
    CheckForUpdates(m);
  } else if (EqualNoCase(c, "TransbackEnabled")) {
    FlipSetting(m, s.transbackEnabled, c, key::kTransbackEnabled);
  } else if (EqualNoCase(c, "MenuClipperEnabled")) {
    ToggleMenuClipper(m, c);
  } else if (EqualNoCase(w, "ToggleSlitAid")) {
    WithPluginIndex(m, c, [&](int i) { ToggleSlitAidEntry(m, i); });
  } else if (EqualNoCase(w, "TogglePlugin")) {
    WithPluginIndex(m, c, [&](int i) { TogglePluginEntry(m, i); });
  } else if (EqualNoCase(w, "RemovePlugin")) {
    WithPluginIndex(m, c, [&](int i) { RemovePluginEntry(m, i); });
  } else if (EqualNoCase(w, "UpdatePlugin")) {
    WithPluginIndex(m, c, [&](int i) { UpdatePlugin(m, i); });
  } else if (EqualNoCase(w, "InstallPlugin")) {
    InstallPlugin(m, TrimBlanks(argument));
  } else if (EqualNoCase(w, "TransparencyAlpha") && hasArgument) {
    s.transparencyAlpha = ReadNumber(argument);
    ApplyWindowState(m);
    m.ports.shell.WriteInt(m.configFile.c_str(), key::kTransparencyAlpha, s.transparencyAlpha);
  } else if (EqualNoCase(c, "GlobalTransEnabled")) {
    ToggleTransparencyController(m, c);
  } else if (EqualNoCase(w, "GlobalTransRem")) {
    WithClassIndex(c, [&](int i) { RemoveClass(m, ClassListKind::kTransparency, i); });
  } else if (EqualNoCase(w, "GlobalTransAdjust")) {
    if (std::optional<int> alpha = CommandIndex(c)) SetControllerAlpha(m, *alpha);
  } else if (EqualNoCase(c, "GlobalTransAdd")) {
    BeginClassCapture(m, ClassListKind::kTransparency);
  } else if (EqualNoCase(c, "GlobalStickyEnabled")) {
    ToggleStickyController(m, c);
  } else if (EqualNoCase(w, "GlobalStickyRem")) {
    WithClassIndex(c, [&](int i) { RemoveClass(m, ClassListKind::kSticky, i); });
  } else if (EqualNoCase(c, "GlobalStickyAdd")) {
    BeginClassCapture(m, ClassListKind::kSticky);
  } else if (EqualNoCase(c, "ToggleWithPlugins")) {
    FlipSetting(m, s.toggleWithPlugins, c, key::kToggleWithPlugins);
  } else if (EqualNoCase(c, "AddPlugin")) {
    AddPluginFromDialog(m);
  } else if (EqualNoCase(c, "AboutPlugins")) {
    ShowAboutPlugins(m);
  } else if (EqualNoCase(w, "PluginBroams")) {
    std::optional<int> index = CommandIndex(c);
    if (index && ValidSlot(*index)) ShowPluginBroams(m, *index);
  } else if (EqualNoCase(w, "SendPluginBroam")) {
    SendPluginBroamCommand(m, argument);
  } else if (EqualNoCase(c, "About")) {
    ShowAboutBox(m);
  }
}

void HandleBroam(Manager &m, const char *broam) {
  // By the shell's protocol a text, but any program can post this number with any pointer:
  // copied under the guard, an unreadable one is ignored. None of Kestrane's commands is as
  // long as the copy, so a text that fills it may have been cut and is ignored as well.
  BroamText copy;
  if (CopyUntrustedText(m.ports.libraries, broam, copy).raised ||
      copy.size() == BroamText::kMaxLength) {
    return;
  }
  std::string_view text = copy.view();
  if (EqualNoCase(text, "@CVShowPlugins") || EqualNoCase(text, "@CVHidePlugins")) {
    if (m.settings.inSlit) return;  // the Slit shows and hides its windows itself
    m.hiddenByHost = EqualNoCase(text, "@CVHidePlugins");
    ApplyWindowState(m);
  } else if (StartsWithNoCase(text, kInternalPrefix)) {
    text.remove_prefix(kInternalPrefix.size());
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    CarryOutCommand(m, text);
  }
}

void Reconfigure(Manager &m) {
  RestoreWindowControllers(m);
  StopAllPlugins(m);
  ReadSettings(m);
  LoadStyle(m);
  ApplyWindowState(m);
  StartAllPlugins(m);  // the list file is not read again
  ApplyWindowControllers(m);
  ScheduleAutomaticChecks(m);
}

}  // namespace kestrane
