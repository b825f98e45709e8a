#include "core/notices.h"

#include "core/manager.h"
#include "core/modal_scope.h"

namespace kestrane {

void ShowError(Manager &manager, const char *text) {
  ShowModalBox(manager, kNoWindow, text, kCaption, box::kTopMost | box::kIconError);
}

}  // namespace kestrane
