// The system's folder browser.
#pragma once

#include "core/bounded_text.h"
#include "platform/handles.h"

namespace kestrane {

constexpr unsigned kBrowseFileSystemFolders = 0x1;  // BIF_RETURNONLYFSDIRS

class FolderBrowser {
 public:
  virtual ~FolderBrowser() = default;
  // The chosen folder's path, as the system gives it; empty when the user cancels.
  virtual Path ChooseFolder(WindowHandle owner, const char *title, unsigned flags) = 0;
};

}  // namespace kestrane
