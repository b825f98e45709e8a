#include <cstring>

#include "core/manager.h"
#include "core/path_text.h"
#include "core/plugin_fault.h"
#include "core/plugin_table.h"

namespace kestrane {

namespace {

// The code a plug-in cannot know: its answer is the plug-in's text for unknown codes.
constexpr int kProbeCode = 10000;
constexpr int kNameCode = 1;
constexpr int kBroamsCode = 7;
constexpr int kUpdateSiteCode = 8;

bool IsWebAddress(std::string_view url) {
  return url.find("http://") != std::string_view::npos ||
         url.find("https://") != std::string_view::npos;
}

}  // namespace

BroamList BroamListFromInfo(const char *text) {
  BroamList list;
  if (text == nullptr) return list;
  std::string_view rest(text);
  while (!rest.empty()) {
    std::size_t at = rest.find('@');
    std::string_view segment = rest.substr(0, at);
    if (!segment.empty()) {
      list.Append("@");
      list.Append(segment);
      list.Append("\n");
    }
    if (at == std::string_view::npos) break;
    rest.remove_prefix(at + 1);
  }
  return list;
}

void RefreshPluginInfo(Manager &m, int slot) {
  PluginEntry &e = m.plugins.slots[slot];
  if (e.module == kNoModule) return;
  if (e.pluginInfo == kNoEntry) {
    e.name = FileNamePart(e.path.view());
    e.updateUrl.Clear();
    e.broams.Clear();
    return;
  }
  Libraries &libraries = m.ports.libraries;
  // Each answer is copied at once: a plug-in may reuse its buffer on the next call.
  Path site;
  Path name;
  BroamList offered;
  BroamList unknown;
  Fault fault = AskPluginInfo(libraries, e.pluginInfo, kUpdateSiteCode, site);
  if (!fault.raised) fault = AskPluginInfo(libraries, e.pluginInfo, kNameCode, name);
  if (!fault.raised) fault = AskPluginInfo(libraries, e.pluginInfo, kBroamsCode, offered);
  if (!fault.raised) fault = AskPluginInfo(libraries, e.pluginInfo, kProbeCode, unknown);
  if (fault.raised) {
    ContainPluginFault(m, slot, PluginCall::kPluginInfo, fault);
    return;
  }
  e.updateUrl = site;
  if (e.updateUrl.empty() || !IsWebAddress(e.updateUrl.view()) ||
      e.updateUrl.view() == m.settings.defaultUpdateUrl.view()) {
    e.updateUrl.Clear();
  }
  e.name = name;
  // A plug-in that does not know code 7 answers it as it answers any unknown code.
  e.broams = offered.view() != unknown.view() ? BroamListFromInfo(offered.c_str()) : BroamList();
}

}  // namespace kestrane
