#include "portable/menu_model.h"

#include <algorithm>

#include "portable/text_format.h"
#include "portable/transcript_text.h"

namespace corvane {

namespace {

std::string Text(const char *text) { return text ? text : ""; }

void Render(const Menu &menu, int depth, std::vector<const Menu *> &path,
            std::vector<std::string> &lines) {
  const std::string indent = "menu " + std::string(static_cast<size_t>(depth) * 2, ' ');
  for (const auto &item : menu.items) {
    switch (item->kind) {
      case MenuItem::Kind::kCommand:
        lines.push_back(indent + "item " + Quote(item->title) + " " + Quote(item->command) +
                        " checked=" + (item->checked ? "1" : "0"));
        break;
      case MenuItem::Kind::kInteger:
        lines.push_back(indent + "int " + Quote(item->title) + " " + Quote(item->command) +
                        Format(" %d %d %d", item->value, item->minimum, item->maximum));
        break;
      case MenuItem::Kind::kNop: lines.push_back(indent + "nop " + Quote(item->title)); break;
      case MenuItem::Kind::kSubmenu: {
        lines.push_back(indent + "sub " + Quote(item->title));
        const Menu *child = item->submenu;
        // A menu that contains itself is shown once, not forever.
        if (child && std::find(path.begin(), path.end(), child) == path.end()) {
          path.push_back(child);
          Render(*child, depth + 1, path, lines);
          path.pop_back();
        }
        break;
      }
    }
  }
}

const MenuItem *Find(const Menu &menu, std::string_view command, std::vector<const Menu *> &path) {
  for (const auto &item : menu.items) {
    const bool pickable =
        item->kind == MenuItem::Kind::kCommand || item->kind == MenuItem::Kind::kInteger;
    if (pickable && item->command == command) return item.get();
    const Menu *child = item->submenu;
    if (child && std::find(path.begin(), path.end(), child) == path.end()) {
      path.push_back(child);
      const MenuItem *found = Find(*child, command, path);
      path.pop_back();
      if (found) return found;
    }
  }
  return nullptr;
}

}  // namespace

Menu *MenuStore::Make(const char *title, const char *id, bool popup) {
  const std::string key = Text(id);
  if (!key.empty()) {
    auto old = std::find_if(menus_.begin(), menus_.end(),
                            [&](const auto &menu) { return menu->id == key; });
    if (old != menus_.end()) Free(old->get());
  }
  auto menu = std::make_unique<Menu>();
  menu->title = Text(title);
  menu->id = key;
  menu->popup = popup;
  menus_.push_back(std::move(menu));
  return menus_.back().get();
}

bool MenuStore::Contains(const Menu *menu) const {
  return menu && std::any_of(menus_.begin(), menus_.end(),
                             [&](const auto &owned) { return owned.get() == menu; });
}

MenuItem *MenuStore::Add(Menu *menu, std::unique_ptr<MenuItem> item) {
  if (!Contains(menu)) return nullptr;
  menu->items.push_back(std::move(item));
  return menu->items.back().get();
}

MenuItem *MenuStore::AddCommand(Menu *menu, const char *title, const char *command, bool checked) {
  auto item = std::make_unique<MenuItem>();
  item->kind = MenuItem::Kind::kCommand;
  item->title = Text(title);
  item->command = Text(command);
  item->checked = checked;
  return Add(menu, std::move(item));
}

MenuItem *MenuStore::AddInteger(Menu *menu, const char *title, const char *command, int value,
                                int minimum, int maximum) {
  auto item = std::make_unique<MenuItem>();
  item->kind = MenuItem::Kind::kInteger;
  item->title = Text(title);
  item->command = Text(command);
  item->value = value;
  item->minimum = minimum;
  item->maximum = maximum;
  return Add(menu, std::move(item));
}

MenuItem *MenuStore::AddNop(Menu *menu, const char *title) {
  auto item = std::make_unique<MenuItem>();
  item->kind = MenuItem::Kind::kNop;
  item->title = Text(title);
  return Add(menu, std::move(item));
}

MenuItem *MenuStore::AddSubmenu(Menu *parent, Menu *child, const char *title) {
  if (child && !Contains(child)) return nullptr;
  auto item = std::make_unique<MenuItem>();
  item->kind = MenuItem::Kind::kSubmenu;
  item->title = Text(title);
  item->submenu = child;
  return Add(parent, std::move(item));
}

bool MenuStore::MarkShown(Menu *menu) {
  if (!Contains(menu)) return false;
  lastShown_ = menu;
  return true;
}

bool MenuStore::IsReferenced(const Menu *menu) const {
  for (const auto &owner : menus_) {
    for (const auto &item : owner->items) {
      if (item->submenu == menu) return true;
    }
  }
  return false;
}

void MenuStore::Free(Menu *menu) {
  std::vector<Menu *> children;
  for (const auto &item : menu->items) {
    if (item->submenu && item->submenu != menu) children.push_back(item->submenu);
  }
  menus_.erase(std::remove_if(menus_.begin(), menus_.end(),
                              [&](const auto &owned) { return owned.get() == menu; }),
               menus_.end());
  if (lastShown_ == menu) lastShown_ = nullptr;
  for (const auto &owner : menus_) {
    for (const auto &item : owner->items) {
      if (item->submenu == menu) item->submenu = nullptr;
    }
  }
  // Named submenus live until the plug-in replaces them; unnamed ones only through this tree.
  for (Menu *child : children) {
    if (Contains(child) && child->id.empty() && !IsReferenced(child)) Free(child);
  }
}

std::vector<std::string> RenderMenu(const Menu &menu) {
  std::vector<std::string> lines;
  lines.push_back("menu " + Quote(menu.title) + " id=" + Quote(menu.id) +
                  " popup=" + (menu.popup ? "1" : "0"));
  std::vector<const Menu *> path{&menu};
  Render(menu, 1, path, lines);
  return lines;
}

const MenuItem *FindItem(const Menu &menu, std::string_view command) {
  std::vector<const Menu *> path{&menu};
  return Find(menu, command, path);
}

std::string PickedBroam(const MenuItem &item, const std::string *value) {
  if (item.kind != MenuItem::Kind::kInteger) return item.command;
  return item.command + " " + (value ? *value : std::to_string(item.value));
}

}  // namespace corvane
