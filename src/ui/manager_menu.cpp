#include "ui/manager_menu.h"

#include "core/manager.h"
#include "update/catalogue.h"

namespace kestrane {

namespace {

using Label = BoundedText<1000>;

constexpr int kAlphaStep = 5;
constexpr int kAlphaMax = 255;

struct MenuBuilder {
  Manager &m;
  bool popup;

  Shell &shell() { return m.ports.shell; }
  MenuHandle Menu(const char *title, const char *id) {
    return shell().MakeNamedMenu(title, id, popup);
  }
  void Item(MenuHandle menu, const char *title, const char *command, bool checked = false) {
    shell().MakeMenuItem(menu, title, command, checked);
  }
  void Separator(MenuHandle menu) { shell().MakeMenuNOP(menu, nullptr); }
  void Attach(MenuHandle parent, MenuHandle child, const char *title) {
    shell().MakeSubmenu(parent, child, title);
  }
};

// "Remove Window Class": one item per stored class, the slot number in the command.
void AttachClassRemovalMenu(MenuBuilder &b, MenuHandle parent, const char *id,
                            const ClassList &list, const char *format) {
  MenuHandle menu = b.Menu("Remove Window Class", id);
  for (int i = 0; i < kClassSlots; ++i) {
    if (list.slots[i].empty()) continue;
    Label command;
    command.Format(format, i);
    b.Item(menu, list.slots[i].c_str(), command.c_str());
  }
  b.Attach(parent, menu, "Remove Window Class");
}

MenuHandle TransparencyControllerMenu(MenuBuilder &b) {
  const ManagerSettings &s = b.m.settings;
  MenuHandle menu = b.Menu("Transparency Controller", "Kestrane_IDTransMenu");
  b.Item(menu, "Transparency Controller Enabled", "@KestraneInternal GlobalTransEnabled",
         s.globalTransparency);
  MenuHandle alpha = b.Menu("Transparency Controller Alpha", "Kestrane_IDTransAdjust");
  for (int value = 0; value <= kAlphaMax; value += kAlphaStep) {
    Label title, command;
    title.Format("%d", value);
    command.Format("@KestraneInternal GlobalTransAdjust %d", value);
    b.Item(alpha, title.c_str(), command.c_str(), value == s.globalTransAlpha);
  }
  b.Attach(menu, alpha, "Transparency Controller Alpha");
  b.Item(menu, "Add Transparency Window Class", "@KestraneInternal GlobalTransAdd");
  AttachClassRemovalMenu(b, menu, "Kestrane_IDTransClasses", b.m.transClasses,
                         "@KestraneInternal GlobalTransRem %d");
  return menu;
}

MenuHandle StickyControllerMenu(MenuBuilder &b) {
  MenuHandle menu = b.Menu("Sticky Controller", "Kestrane_IDStickyMenu");
  b.Item(menu, "Sticky Controller Enabled", "@KestraneInternal GlobalStickyEnabled",
         b.m.settings.globalSticky);
  b.Item(menu, "Add Sticky Window Class", "@KestraneInternal GlobalStickyAdd");
  AttachClassRemovalMenu(b, menu, "Kestrane_IDStickyClasses", b.m.stickyClasses,
                         "@KestraneInternal GlobalStickyRem %d");
  return menu;
}

MenuHandle ConfigurationMenu(MenuBuilder &b) {
  const ManagerSettings &s = b.m.settings;
  const bool layered = b.m.layeredSupported;
  MenuHandle menu = b.Menu("Configuration", "Kestrane_IDConfig");
  b.Item(menu, "Docked to Slit", "@KestraneInternal SlitToggle", s.inSlit);
  b.Item(menu, "Always On Top", "@KestraneInternal AlwaysOnTop", s.alwaysOnTop);
  b.Item(menu, "Snap Window To Edge", "@KestraneInternal SnapWindowToEdge", s.snapWindow);
  b.Item(menu, "Toggle With Plugins", "@KestraneInternal ToggleWithPlugins", s.toggleWithPlugins);
  if (layered) {
    b.Item(menu, "Transparency Enabled", "@KestraneInternal TransparencyEnabled",
           s.transparencyEnabled);
  }
  b.shell().MakeMenuItemInt(menu, "Alpha Value", "@KestraneInternal TransparencyAlpha",
                            s.transparencyAlpha, 0, kAlphaMax);
  if (layered) {
    b.Item(menu, "Transparent Back Enabled", "@KestraneInternal TransbackEnabled",
           s.transbackEnabled);
  }
  b.Separator(menu);
  if (layered) {
    b.Attach(menu, TransparencyControllerMenu(b), "Transparency Controller");
    b.Attach(menu, StickyControllerMenu(b), "Sticky Controller");
    MenuHandle clipper = b.Menu("Menu Clipper", "Kestrane_IDMenuClipper");
    b.Item(clipper, "Menu Clipper Enabled", "@KestraneInternal MenuClipperEnabled",
           s.menuClipperEnabled);
    b.Attach(menu, clipper, "Menu Clipper");
  }
  return menu;
}

// One item per qualifying slot, labelled with the plug-in's name, the slot number in the
// command.
template <typename Qualifies, typename Checked>
MenuHandle PluginListMenu(MenuBuilder &b, const char *title, const char *id, const char *format,
                          Qualifies qualifies, Checked checked) {
  MenuHandle menu = b.Menu(title, id);
  for (int i = 0; i < kMaxPlugins; ++i) {
    const PluginEntry &e = b.m.plugins.slots[i];
    if (!e.inUse || !qualifies(e)) continue;
    Label command;
    command.Format(format, i);
    b.Item(menu, e.name.c_str(), command.c_str(), checked(e));
  }
  return menu;
}

// The verified catalogue's entries whose folder is not there yet. The catalogue is read only as
// the menu is built (start-up never looks at it), and then only when it has changed.
MenuHandle InstallPluginMenu(MenuBuilder &b) {
  Manager &m = b.m;
  MenuHandle menu = b.Menu("Install Plugin", "Kestrane_IDInstall");
  CatalogueOffers &offers = m.catalogueOffers;
  RefreshCatalogueOffers(m.ports.kernel, m.hostFolder, offers);
  int offered = 0;
  for (int i = 0; i < offers.count; ++i) {
    const CatalogueOffer &offer = offers.offers[i];
    if (m.ports.kernel.KindOf(offer.folder.c_str()) != PathKind::kNothing) continue;
    BoundedText<kMaxCatalogueId + 40> command{"@KestraneInternal InstallPlugin "};
    command.Append(offer.id.view());
    b.Item(menu, offer.title.c_str(), command.c_str());
    ++offered;
  }
  if (offered == 0) b.shell().MakeMenuNOP(menu, "Check For Updates to fill this list");
  return menu;
}

MenuHandle PluginBroamsMenu(MenuBuilder &b) {
  MenuHandle menu = b.Menu("Plugin Bro@ms", "Kestrane_IDPluginBroamMenu");
  for (const PluginEntry &e : b.m.plugins.slots) {
    if (!e.inUse || !e.running || e.broams.empty()) continue;
    Label id;
    id.Format("Kestrane_IDPluginBroams %s", e.name.c_str());
    MenuHandle broams = b.Menu(e.name.c_str(), id.c_str());
    std::string_view rest = e.broams.view();
    while (!rest.empty()) {
      std::size_t lf = rest.find('\n');
      std::string_view line = rest.substr(0, lf);
      if (!line.empty()) {  // runs of line feeds give no empty items
        Label title{line}, command;
        command.Format("@KestraneInternal SendPluginBroam %s", title.c_str());
        b.Item(broams, title.c_str(), command.c_str());
      }
      if (lf == std::string_view::npos) break;
      rest.remove_prefix(lf + 1);
    }
    b.Attach(menu, broams, e.name.c_str());
  }
  return menu;
}

}  // namespace

void BuildManagerMenu(Manager &m, bool popup) {
  MenuBuilder b{m, popup};
  MenuHandle top = b.Menu("Kestrane", "Kestrane_IDMain");
  auto never = [](const PluginEntry &) { return false; };
  auto always = [](const PluginEntry &) { return true; };

  b.Attach(top, ConfigurationMenu(b), "Configuration");
  b.Separator(top);
  b.Attach(
      top,
      PluginListMenu(b, "Toggle Plugins", "Kestrane_IDPlugins", "@KestraneInternal TogglePlugin %d",
                     always, [](const PluginEntry &e) { return e.running; }),
      "Toggle Plugins");
  b.Item(top, "Add Plugin", "@KestraneInternal AddPlugin");
  if (!m.settings.catalogueUrl.empty() && !m.settings.catalogueKey.empty()) {
    b.Attach(top, InstallPluginMenu(b), "Install Plugin");
  }
  b.Attach(top,
           PluginListMenu(b, "Remove Plugin", "Kestrane_IDRemove",
                          "@KestraneInternal RemovePlugin %d", always, never),
           "Remove Plugin");
  b.Separator(top);
  b.Item(top, "Check For Updates", "@KestraneInternal CheckForUpdates");
  b.Attach(top,
           PluginListMenu(
               b, "Update Plugin", "Kestrane_IDUpdate", "@KestraneInternal UpdatePlugin %d",
               [](const PluginEntry &e) { return e.running && e.updateAvailable.load(); }, never),
           "Update Plugin");
  b.Separator(top);
  b.Attach(top,
           PluginListMenu(
               b, "Slit Aid", "Kestrane_IDSlitAid", "@KestraneInternal ToggleSlitAid %d",
               [](const PluginEntry &e) { return e.running && e.slitOnly; },
               [](const PluginEntry &e) { return e.wantsSlit; }),
           "Slit Aid");
  b.Separator(top);
  b.Item(top, "About Plugins", "@KestraneInternal AboutPlugins");
  b.Attach(top, PluginBroamsMenu(b), "Plugin Bro@ms");
  b.Separator(top);
  b.Item(top, "View Readme", "@KestraneInternal Edit Readme.txt");
  b.Item(top, "About Kestrane", "@KestraneInternal About");
  b.Item(top, "Edit Kestrane.rc", "@KestraneInternal Edit Kestrane.rc");
  m.ports.shell.ShowMenu(top);
}

}  // namespace kestrane
