#pragma once

#include "platform/folder_browser.h"

namespace kestrane::win32 {

// shell32's SHBrowseForFolderA, from the calling thread.
class Win32FolderBrowser final : public FolderBrowser {
 public:
  Path ChooseFolder(WindowHandle owner, const char *title, unsigned flags) override;
};

}  // namespace kestrane::win32
