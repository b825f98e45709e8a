#include "ui/flip_setting.h"

#include "core/manager.h"
#include "host/shell_messages.h"
#include "ui/manager_menu.h"
#include "ui/window_state.h"

namespace kestrane {

void FlipSetting(Manager &m, bool &flag, std::string_view command, const char *key) {
  flag = !flag;
  AnnounceSetting(m, flag, command, key);
}

void AnnounceSetting(Manager &m, bool flag, std::string_view command, const char *key) {
  BoundedText<80> status;
  status.Format("Kestrane -> %.*s %sabled!", static_cast<int>(command.size()), command.data(),
                flag ? "en" : "dis");
  m.ports.shell.Send(m.coreWindow, kHostMsgStatusText, 0,
                     reinterpret_cast<std::intptr_t>(status.c_str()));
  m.ports.shell.WriteBool(m.configFile.c_str(), key, flag);
  ApplyWindowState(m);
  BuildManagerMenu(m, false);  // an open menu shows the new check marks
}

}  // namespace kestrane
