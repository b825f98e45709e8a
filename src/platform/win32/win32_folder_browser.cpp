#include "platform/win32/win32_folder_browser.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "platform/win32/win32_handles.h"

namespace kestrane::win32 {

namespace {

// The browser needs COM on the thread that shows it; a worker thread has none of its own.
class ComApartment {
 public:
  ComApartment() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
  ComApartment(const ComApartment &) = delete;
  ComApartment &operator=(const ComApartment &) = delete;
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }

 private:
  bool initialised_;
};

class ItemList {
 public:
  explicit ItemList(LPITEMIDLIST list) : list_(list) {}
  ItemList(const ItemList &) = delete;
  ItemList &operator=(const ItemList &) = delete;
  ~ItemList() {
    if (list_ != nullptr) CoTaskMemFree(list_);
  }
  LPITEMIDLIST get() const { return list_; }

 private:
  LPITEMIDLIST list_;
};

}  // namespace

Path Win32FolderBrowser::ChooseFolder(WindowHandle owner, const char *title, unsigned flags) {
  ComApartment com;
  char displayName[MAX_PATH] = {};
  BROWSEINFOA request{};
  request.hwndOwner = ToHwnd(owner);
  request.pszDisplayName = displayName;
  request.lpszTitle = title;
  request.ulFlags = flags;
  ItemList chosen(SHBrowseForFolderA(&request));
  Path folder;
  if (chosen.get() == nullptr) return folder;
  char path[MAX_PATH] = {};
  if (!SHGetPathFromIDListA(chosen.get(), path)) return folder;
  folder.Assign(path);
  return folder;
}

}  // namespace kestrane::win32
