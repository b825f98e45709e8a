// The one record of process-wide state. The DLL holds the single instance; each test makes
// its own over test doubles.
#pragma once

#include <atomic>

#include "controllers/class_list.h"
#include "controllers/controller_state.h"
#include "core/bounded_text.h"
#include "core/plugin_entry.h"
#include "core/plugin_fault.h"
#include "core/settings.h"
#include "core/start_journal.h"
#include "platform/canvas.h"
#include "platform/desktop.h"
#include "platform/folder_browser.h"
#include "platform/handles.h"
#include "platform/internet.h"
#include "platform/kernel.h"
#include "platform/libraries.h"
#include "platform/shell.h"
#include "ui/manager_window_proc.h"
#include "ui/spinner.h"
#include "ui/window_style.h"
#include "update/catalogue.h"
#include "update/automatic_check.h"
#include "update/update_state.h"

namespace kestrane {

class ModalScope;
struct SessionEntry;

struct Ports {
  Shell &shell;
  Desktop &desktop;
  Kernel &kernel;
  Libraries &libraries;
  Canvas &canvas;
  Internet &internet;
  FolderBrowser &folders;
};

struct Manager {
  explicit Manager(Ports p) : ports(p), controllers(*this), windowProc(*this) {}
  Manager(const Manager &) = delete;
  Manager &operator=(const Manager &) = delete;

  Ports ports;
  ManagerSettings settings;
  Path configFile;
  ClassList transClasses;
  ClassList stickyClasses;
  ControllerState controllers;  // changed windows, hooks, class capture
  PluginTable plugins;
  // Libraries taken out of their slots by a fault: loaded until the process ends, and still
  // named when they fault again. Kept across sessions, as the libraries are.
  KeptLibrary kept[kMaxPlugins];
  int keptCount = 0;
  Path listFilePath;
  StartJournal journal;  // what the next start learns should the shell end mid-start

  bool shuttingDown = false;               // in endPlugin: a fault changes no line and shows no box
  ModalScope *openModals = nullptr;        // the innermost box or dialog open on the window thread
  SessionEntry *innermostEntry = nullptr;  // where the shell or the system last called in
  // The slot an update restarts on its new files, or -1: a fault there is the update's to
  // undo, so it is neither reported nor kept loaded.
  int updateRestartSlot = -1;

  Path hostFolder;  // the shell's folder, lower-cased, ending in a backslash
  bool layeredSupported = false;
  ModuleHandle module = kNoModule;
  WindowHandle coreWindow = kNoWindow;
  // Read by worker threads (the spinner, the update workers) while shut-down clears it.
  std::atomic<WindowHandle> managerWindow{kNoWindow};
  WindowHandle slitWindow = kNoWindow;
  bool hiddenByHost = false;  // the shell has hidden its plug-ins; never stored
  // The button's last painting showed the update mark.
  bool updateMarkShown = false;

  // The slot whose update worker runs, or -1; set here, given back by the worker.
  std::atomic<int> busyIndex{-1};
  UpdateState updates;
  CatalogueOffers catalogueOffers;  // what "Install Plugin" offers; window thread only
  AutomaticCheck automaticCheck;

  WindowStyle style;
  Spinner spinner;
  ManagerWindowProc windowProc;
};

}  // namespace kestrane
