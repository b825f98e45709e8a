#include "ui/about_box.h"

#include "core/manager.h"
#include "core/modal_scope.h"
#include "core/notices.h"
#include "core/plugin_info.h"

namespace kestrane {

void ShowAboutBox(Manager &m) {
  Path text;
  text.Format("%s\n\nAuthor : %s\nWeb: %s\nEmail: %s", kCaption, kAuthor, kWebAddress,
              kEmailAddress);
  ShowModalBox(m, kNoWindow, text.c_str(), "About this plugin...", box::kIconInformation);
}

}  // namespace kestrane
