// Menus: the shell keeps the tree; ShowMenu writes it to the transcript instead of popping it
// up, so a scripted session never waits on a menu. `pick` then acts on the last one shown.
#include "host/corvane_api.h"
#include "portable/menu_model.h"
#include "portable/text_format.h"
#include "portable/transcript_text.h"
#include "win32/shell_state.h"
#include "win32/transcript.h"

using corvane::QuoteOrNull;
using corvane::win32::Record;
using corvane::win32::Shell;

namespace {

MenuItem *Checked(MenuItem *item, const char *call, const Menu *menu) {
  if (!item) Record(std::string("error ") + call + corvane::Format(" unknown menu %p", menu));
  return item;
}

}  // namespace

Menu *MakeNamedMenu(const char *title, const char *id, bool popup) {
  return Shell().menus.Make(title, id, popup);
}

MenuItem *MakeMenuItem(Menu *menu, const char *title, const char *command, bool checked) {
  return Checked(Shell().menus.AddCommand(menu, title, command, checked), "MakeMenuItem", menu);
}

MenuItem *MakeMenuItemInt(Menu *menu, const char *title, const char *command, int value,
                          int minimum, int maximum) {
  return Checked(Shell().menus.AddInteger(menu, title, command, value, minimum, maximum),
                 "MakeMenuItemInt", menu);
}

MenuItem *MakeSubmenu(Menu *parent, Menu *child, const char *title) {
  return Checked(Shell().menus.AddSubmenu(parent, child, title), "MakeSubmenu", parent);
}

MenuItem *MakeMenuNOP(Menu *menu, const char *title) {
  return Checked(Shell().menus.AddNop(menu, title), "MakeMenuNOP", menu);
}

void ShowMenu(Menu *menu) {
  if (!Shell().menus.MarkShown(menu)) {
    Record(corvane::Format("error ShowMenu unknown menu %p", static_cast<void *>(menu)));
    return;
  }
  for (const std::string &line : corvane::RenderMenu(*menu)) Record(line);
}
