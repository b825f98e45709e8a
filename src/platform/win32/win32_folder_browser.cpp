#include "platform/win32/win32_folder_browser.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "platform/win32/optional_functions.h"
#include "platform/win32/win32_handles.h"

namespace kestrane::win32 {

namespace {

// The browser needs COM on the thread that shows it, and a worker thread has none of its own.
// ole32 is taken for the call only, so Kestrane.dll imports nothing from it.
class ComApartment {
 public:
  ComApartment() {
    auto initialise = ole32_.Function<HRESULT(WINAPI *)(LPVOID)>("CoInitialize");
    uninitialise_ = ole32_.Function<void(WINAPI *)()>("CoUninitialize");
    initialised_ =
        initialise != nullptr && uninitialise_ != nullptr && SUCCEEDED(initialise(nullptr));
  }
  ComApartment(const ComApartment &) = delete;
  ComApartment &operator=(const ComApartment &) = delete;
  ~ComApartment() {
    if (initialised_) uninitialise_();
    ole32_.Release();
  }

 private:
  OptionalLibrary ole32_{"ole32.dll"};
  void(WINAPI *uninitialise_)() = nullptr;
  bool initialised_ = false;
};

// The browser's answer, freed with the shell's allocator.
class ItemList {
 public:
  explicit ItemList(LPITEMIDLIST list) : list_(list) {}
  ItemList(const ItemList &) = delete;
  ItemList &operator=(const ItemList &) = delete;
  ~ItemList() {
    IMalloc *allocator = nullptr;
    if (list_ != nullptr && SUCCEEDED(SHGetMalloc(&allocator))) {
      allocator->Free(list_);
      allocator->Release();
    }
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
  Path folder;
  {
    ItemList chosen(SHBrowseForFolderA(&request));
    char path[MAX_PATH] = {};
    if (chosen.get() != nullptr && SHGetPathFromIDListA(chosen.get(), path)) folder.Assign(path);
  }  // freed before COM leaves the thread
  return folder;
}

}  // namespace kestrane::win32
