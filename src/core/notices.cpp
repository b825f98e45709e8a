#include "core/notices.h"

#include "core/manager.h"

namespace kestrane {

void ShowError(Manager &manager, const char *text) {
  manager.ports.desktop.ShowMessageBox(kNoWindow, text, kCaption, box::kTopMost | box::kIconError);
}

}  // namespace kestrane
