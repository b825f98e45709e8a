// Kestrane's own settings: where the configuration file is, every key and its default.
#pragma once

#include "core/bounded_text.h"

namespace kestrane {

struct Manager;

constexpr int kClassSlots = 50;
constexpr int kDefaultPosition = 10;
constexpr int kDefaultSize = 25;
constexpr int kDefaultAlpha = 60;

// When an update check last reached a site, as "YYYY-MM-DD HH:MM" in UTC.
using CheckTimeText = BoundedText<32>;

struct ManagerSettings {
  int x = kDefaultPosition;
  int y = kDefaultPosition;
  int width = kDefaultSize;
  int height = kDefaultSize;
  bool transparencyEnabled = false;
  int transparencyAlpha = kDefaultAlpha;  // only the low 8 bits take effect
  bool alwaysOnTop = true;
  bool snapWindow = true;
  bool toggleWithPlugins = true;
  Path defaultUpdateUrl;
  Path pluginsRcFile{"KSTR_Plugins.rc"};
  bool transbackEnabled = false;
  bool inSlit = false;
  bool globalTransparency = false;
  int globalTransAlpha = 0;
  bool globalSticky = false;
  bool menuClipperEnabled = false;
  // The plug-in catalogue: its address and its publisher's Ed25519 key (base64). With either
  // empty there is none. Never written by Kestrane.
  Path catalogueUrl;
  Path catalogueKey;
  int checkEveryDays = 0;  // automatic update checks; 0: never
  CheckTimeText lastCheck;
};

namespace key {
constexpr const char *kX = "Kestrane.plugin.x:";
constexpr const char *kY = "Kestrane.plugin.y:";
constexpr const char *kWidth = "Kestrane.plugin.width:";
constexpr const char *kHeight = "Kestrane.plugin.height:";
constexpr const char *kTransparencyEnabled = "Kestrane.plugin.transparency.enabled:";
constexpr const char *kTransparencyAlpha = "Kestrane.plugin.transparency.alpha:";
constexpr const char *kAlwaysOnTop = "Kestrane.plugin.alwaysontop:";
constexpr const char *kSnapWindow = "Kestrane.plugin.snapwindow:";
constexpr const char *kToggleWithPlugins = "Kestrane.plugin.togglewithplugins:";
constexpr const char *kDefaultUpdateUrl = "Kestrane.plugin.defaultupdateURL:";
constexpr const char *kPluginsRcFile = "Kestrane.plugin.PluginsRCFile:";
constexpr const char *kTransbackEnabled = "Kestrane.plugin.transback.enabled:";
constexpr const char *kInSlit = "Kestrane.plugin.inSlit:";
constexpr const char *kGlobalTransparency = "Kestrane.plugin.GlobalTransparency:";
constexpr const char *kGlobTransAlpha = "Kestrane.plugin.GlobTransAlpha:";
constexpr const char *kGlobalSticky = "Kestrane.plugin.GlobalSticky:";
constexpr const char *kMenuClipperEnabled = "Kestrane.plugin.menuclipper.enabled:";
constexpr const char *kTransClassFormat = "Kestrane.plugin.transClass%d:";
constexpr const char *kStickyClassFormat = "Kestrane.plugin.stickyClass%d:";
constexpr const char *kCatalogueUrl = "Kestrane.update.catalogueURL:";
constexpr const char *kCatalogueKey = "Kestrane.update.catalogueKey:";
constexpr const char *kCheckEveryDays = "Kestrane.update.checkEveryDays:";
constexpr const char *kLastCheck = "Kestrane.update.lastCheck:";
}  // namespace key

// Finds the configuration file: "Kestranerc" before "Kestrane.rc", Kestrane's own folder
// before the shell's; "Kestrane.rc" beside the library when none exists.
Path LocateConfigFile(Manager &manager);

// Locates the configuration file and reads every setting and both class lists, in the fixed
// order, then starts the menu clipper when it is on.
void ReadSettings(Manager &manager);

}  // namespace kestrane
