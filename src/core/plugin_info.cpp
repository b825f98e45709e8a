#include "core/plugin_info.h"

#include "core/notices.h"

namespace kestrane {

const char *PluginInfoAnswer(int code) {
  switch (code) {
    case 1: return kProductName;
    case 2: return kProductVersion;
    case 3: return kAuthor;
    case 4: return kReleaseDate;
    case 5: return kWebAddress;
    case 6: return kEmailAddress;
    default: return kCaption;
  }
}

}  // namespace kestrane
