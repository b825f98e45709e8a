#include "core/plugin_about.h"

#include "core/manager.h"
#include "core/modal_scope.h"
#include "core/path_text.h"
#include "core/plugin_fault.h"
#include "host/shell_messages.h"

namespace kestrane {

namespace {

constexpr unsigned kInformation = box::kIconInformation;
constexpr int kVersionCode = 2;
constexpr int kAuthorCode = 3;
constexpr int kDateCode = 4;

using AboutLine = BoundedText<100>;
using AboutText = BoundedText<1000>;

}  // namespace

void ShowAboutPlugins(Manager &m) {
  AboutText text;
  for (int slot = 0; slot < kMaxPlugins; ++slot) {
    const PluginEntry &e = m.plugins.slots[slot];
    if (!e.inUse || !e.running) continue;
    AboutLine line;
    if (e.pluginInfo != kNoEntry) {
      Libraries &libraries = m.ports.libraries;
      // Asked 4, 3, 2 and each copied at once: the answers may share one buffer.
      Path date;
      Path author;
      Path version;
      Fault fault = AskPluginInfo(libraries, e.pluginInfo, kDateCode, date);
      if (!fault.raised) fault = AskPluginInfo(libraries, e.pluginInfo, kAuthorCode, author);
      if (!fault.raised) fault = AskPluginInfo(libraries, e.pluginInfo, kVersionCode, version);
      if (fault.raised) {
        ContainPluginFault(m, slot, PluginCall::kPluginInfo, fault);  // and the others are listed
        continue;
      }
      line.Format("%s %s by %s (%s)\n", e.name.c_str(), version.c_str(), author.c_str(),
                  date.c_str());
    } else {
      line.Format("%s\n", e.path.c_str());
    }
    text.Append(line.view());
  }
  ShowModalBox(m, kNoWindow, text.c_str(), "About Plugins...", kInformation);
}

void ShowPluginBroams(Manager &m, int slot) {
  BoundedText<10000> text;
  if (ValidSlot(slot)) {
    const PluginEntry &e = m.plugins.slots[slot];
    if (e.inUse && e.running && e.pluginInfo != kNoEntry && !e.broams.empty()) {
      BroamList block;
      block.Format("%s\n\n%s", e.name.c_str(), e.broams.c_str());
      text.Assign(block.view());
    }
  }
  ShowModalBox(m, kNoWindow, text.c_str(), "Plugin Bro@ms...", kInformation);
}

void SendPluginBroamCommand(Manager &m, std::string_view text) {
  std::string_view broam = TrimBlanks(text);
  if (broam.find_first_not_of(" \t\r\n") == std::string_view::npos) return;  // nothing to send
  // A bro@m cut to fit could be a different command: one too long is not sent at all.
  if (broam.size() > Path::kMaxLength) return;
  struct Sent {
    Manager &m;
    Path text;
  } sent{m, Path{broam}};
  // The shell hands it to every plug-in window that takes bro@ms, on this thread.
  Fault fault = m.ports.libraries.RunGuarded(
      [](void *s) {
        auto *sent = static_cast<Sent *>(s);
        sent->m.ports.shell.Send(sent->m.coreWindow, kHostMsgBroam, 0,
                                 reinterpret_cast<std::intptr_t>(sent->text.c_str()));
      },
      &sent);
  if (fault.raised) ContainCaughtFault(m, guarded_step::kSendPluginBroam, fault);
}

}  // namespace kestrane
