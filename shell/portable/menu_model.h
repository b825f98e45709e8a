// The menus plug-ins build through MakeNamedMenu and friends. The shell owns every menu; the
// plug-in only holds pointers, which the store checks before use.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct Menu;

struct MenuItem {
  enum class Kind { kCommand, kInteger, kNop, kSubmenu };
  Kind kind = Kind::kCommand;
  std::string title;
  std::string command;
  bool checked = false;
  int value = 0;
  int minimum = 0;
  int maximum = 0;
  Menu *submenu = nullptr;  // cleared when that menu is freed
};

struct Menu {
  std::string title;
  std::string id;
  bool popup = false;
  std::vector<std::unique_ptr<MenuItem>> items;
};

namespace corvane {

class MenuStore {
 public:
  // A new menu. A menu with the same non-empty id is freed first, with every unnamed submenu
  // that nothing else refers to, as a plug-in rebuilding its menu expects.
  Menu *Make(const char *title, const char *id, bool popup);

  bool Contains(const Menu *menu) const;

  // Each returns nullptr when `menu` (or a non-null `child`) is not a live menu.
  MenuItem *AddCommand(Menu *menu, const char *title, const char *command, bool checked);
  MenuItem *AddInteger(Menu *menu, const char *title, const char *command, int value, int minimum,
                       int maximum);
  MenuItem *AddNop(Menu *menu, const char *title);
  MenuItem *AddSubmenu(Menu *parent, Menu *child, const char *title);

  // Remembers `menu` as the last one shown; false when it is not a live menu.
  bool MarkShown(Menu *menu);
  const Menu *LastShown() const { return lastShown_; }

  size_t size() const { return menus_.size(); }

 private:
  MenuItem *Add(Menu *menu, std::unique_ptr<MenuItem> item);
  void Free(Menu *menu);
  bool IsReferenced(const Menu *menu) const;

  std::vector<std::unique_ptr<Menu>> menus_;
  const Menu *lastShown_ = nullptr;
};

// The transcript lines for a menu and everything under it (without "\n").
std::vector<std::string> RenderMenu(const Menu &menu);

// The first command or integer item with that command, depth first; nullptr if none.
const MenuItem *FindItem(const Menu &menu, std::string_view command);

// The bro@m a pick sends: the command, and for an integer item " VALUE" (given or current).
std::string PickedBroam(const MenuItem &item, const std::string *value);

}  // namespace corvane
