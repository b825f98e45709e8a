#include "fake_desktop.h"

#include "ui/manager_window_proc.h"

namespace kestrane::testing {

bool FakeDesktop::RegisterWindowClass(const WindowClassRequest &request) {
  log_.Add(std::string("RegisterClass ") + request.name +
           " style=" + std::to_string(request.style));
  if (failRegisterClass || classes.count(request.name) != 0) return false;
  classes[request.name] = request.handler;
  return true;
}

void FakeDesktop::UnregisterWindowClass(const char *name, ModuleHandle) {
  log_.Add(std::string("UnregisterClass ") + name);
  classes.erase(name);
}

WindowHandle FakeDesktop::MakeWindow(const WindowRequest &r) {
  log_.Add(std::string("CreateWindow ") + r.className);
  auto cls = classes.find(r.className);
  if (failCreateWindow || cls == classes.end()) return kNoWindow;
  WindowHandle handle{nextWindow_++};
  FakeWindow &w = windows[handle];
  w.className = r.className;
  w.exStyle = r.exStyle;
  w.style = r.style;
  w.x = r.x;
  w.y = r.y;
  w.width = r.width;
  w.height = r.height;
  w.visible = (r.style & 0x10000000u) != 0;
  // As the system does: the procedure sees WM_CREATE before the creation call returns.
  if (cls->second != nullptr) cls->second->OnMessage({handle, wm::kCreate, 0, 0});
  return handle;
}

void FakeDesktop::DestroyWindow(WindowHandle window) {
  log_.Add("DestroyWindow");
  auto w = windows.find(window);
  if (w == windows.end()) return;
  auto cls = classes.find(w->second.className);
  if (cls != classes.end() && cls->second != nullptr) {
    cls->second->OnMessage({window, wm::kDestroy, 0, 0});
  }
  windows.erase(w);
}

void FakeDesktop::HideWindow(WindowHandle window) {
  log_.Add("HideWindow");
  Window(window).visible = false;
}

std::uint32_t FakeDesktop::ExStyle(WindowHandle window) { return Window(window).exStyle; }

bool FakeDesktop::SetExStyle(WindowHandle window, std::uint32_t exStyle) {
  log_.Add("SetExStyle " + std::to_string(exStyle));
  FakeWindow &w = Window(window);
  if (w.refusesChanges) return false;
  // As the system does: a window that stops being layered forgets its attributes.
  if ((exStyle & winstyle::kExLayered) == 0) w.layeredSet = false;
  w.exStyle = exStyle;
  return true;
}

bool FakeDesktop::SetLayeredAttributes(WindowHandle window, std::uint32_t colourKey,
                                       unsigned char alpha, unsigned flags) {
  log_.Add("SetLayeredAttributes " + std::to_string(colourKey) + " " + std::to_string(alpha) + " " +
           std::to_string(flags));
  FakeWindow &w = Window(window);
  if (w.refusesChanges) return false;
  w.layeredSet = true;
  w.colourKey = colourKey;
  w.alpha = alpha;
  w.layeredFlags = flags;
  return true;
}

void FakeDesktop::SetWindowPos(WindowHandle window, ZOrder order, int x, int y, int width,
                               int height, unsigned flags) {
  log_.Add("SetWindowPos " + std::to_string(x) + " " + std::to_string(y) + " " +
           std::to_string(width) + " " + std::to_string(height) +
           " flags=" + std::to_string(flags));
  FakeWindow &w = Window(window);
  w.x = x;
  w.y = y;
  if ((flags & winstyle::kPosNoSize) == 0) {
    w.width = width;
    w.height = height;
  }
  if (order != ZOrder::kUnchanged) w.topMost = order == ZOrder::kTopMost;
  if (flags & winstyle::kPosShowWindow) w.visible = true;
}

void FakeDesktop::Invalidate(WindowHandle window) {
  log_.Add("Invalidate");
  std::lock_guard<std::mutex> lock(invalidateMutex_);
  ++Window(window).invalidations;
}

bool FakeDesktop::StartTimer(WindowHandle window, unsigned id, unsigned milliseconds) {
  log_.Add("StartTimer " + std::to_string(id) + " " + std::to_string(milliseconds));
  timers[{window, id}] = milliseconds;
  return true;
}

void FakeDesktop::StopTimer(WindowHandle window, unsigned id) {
  log_.Add("StopTimer " + std::to_string(id));
  timers.erase({window, id});
}

ScreenSize FakeDesktop::PrimaryScreen() { return screen; }

Path FakeDesktop::ChooseFile(const char *title, const char *filterName, const char *pattern,
                             Fault &fault) {
  log_.Add(std::string("ChooseFile ") + title + " " + filterName + " " + pattern);
  try {
    if (whileChoosing) whileChoosing();
  } catch (const SimulatedFault &raised) {
    fault = raised.fault;
    return Path();
  }
  if (chosenFiles.empty()) return Path();
  Path chosen{chosenFiles.front()};
  chosenFiles.pop_front();
  return chosen;
}

int FakeDesktop::ShowMessageBox(WindowHandle owner, const char *text, const char *caption,
                                unsigned style, Fault &fault) {
  log_.Add(std::string("MessageBox ") + text);
  ShownBox shown{owner, text, caption, style};
  {
    std::lock_guard<std::mutex> lock(boxesMutex_);
    boxes.push_back(shown);
  }
  try {
    if (whileShown) whileShown(shown);
  } catch (const SimulatedFault &raised) {
    fault = raised.fault;
    return 0;
  }
  std::lock_guard<std::mutex> lock(boxesMutex_);
  if (answers.empty()) return box::kAnswerOk;
  int answer = answers.front();
  answers.pop_front();
  return answer;
}

namespace {

std::string Name(WindowHandle window) {
  return std::to_string(static_cast<std::uintptr_t>(window));
}

}  // namespace

WindowHandle FakeDesktop::AddWindow(const std::string &className, const std::string &process,
                                    std::uint32_t exStyle) {
  WindowHandle handle{nextWindow_++};
  FakeWindow &w = windows[handle];
  w.className = className;
  w.process = process;
  w.exStyle = exStyle;
  w.visible = true;
  return handle;
}

void FakeDesktop::FireWinEvent(unsigned event, WindowHandle window, long objectId, long childId) {
  std::vector<WinEventHandler *> handlers;  // a handler may remove hooks
  for (const auto &[handle, hook] : hooks) {
    if (hook.winEvents != nullptr && hook.event == event) handlers.push_back(hook.winEvents);
  }
  for (WinEventHandler *handler : handlers) handler->OnWinEvent({event, window, objectId, childId});
}

void FakeDesktop::PressKey(unsigned message, unsigned virtualKey, unsigned flags) {
  std::vector<KeyboardHandler *> handlers;
  for (const auto &[handle, hook] : hooks) {
    if (hook.keys != nullptr) handlers.push_back(hook.keys);
  }
  for (KeyboardHandler *handler : handlers) handler->OnKey({message, virtualKey, flags});
}

void FakeDesktop::DeliverPosted() {
  while (!posted.empty()) {
    WindowMessage message = posted.front();
    posted.erase(posted.begin());
    auto w = windows.find(message.window);
    if (w == windows.end()) continue;
    auto cls = classes.find(w->second.className);
    if (cls != classes.end() && cls->second != nullptr) cls->second->OnMessage(message);
  }
}

void FakeDesktop::ForEachTopLevelWindow(WindowVisitor &visitor) {
  log_.Add("EnumWindows");
  std::vector<WindowHandle> topLevel;
  for (const auto &[handle, w] : windows) {
    if (w.topLevel) topLevel.push_back(handle);
  }
  for (WindowHandle handle : topLevel) visitor.Visit(handle);
}

ClassName FakeDesktop::WindowClass(WindowHandle window) {
  log_.Add("WindowClass " + Name(window));
  auto w = windows.find(window);
  return w == windows.end() ? ClassName() : ClassName(w->second.className);
}

Path FakeDesktop::ProcessExecutable(WindowHandle window) {
  log_.Add("ProcessExecutable " + Name(window));
  auto w = windows.find(window);
  return w == windows.end() ? Path() : Path(w->second.process);
}

bool FakeDesktop::ReadLayeredAttributes(WindowHandle window, LayeredAttributes &attributes) {
  const FakeWindow &w = Window(window);
  if ((w.exStyle & winstyle::kExLayered) == 0 || w.perPixel || !w.layeredSet) return false;
  attributes = {w.colourKey, static_cast<unsigned char>(w.alpha), w.layeredFlags};
  return true;
}

WindowHandle FakeDesktop::WindowAt(ScreenPoint point) {
  log_.Add("WindowAt " + std::to_string(point.x) + " " + std::to_string(point.y));
  return underCursor;
}

bool FakeDesktop::Post(WindowHandle window, unsigned message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
  log_.Add("Post " + std::to_string(message) + " " + std::to_string(wParam));
  if (failPost) return false;
  posted.push_back({window, message, wParam, lParam});
  return true;
}

ThreadId FakeDesktop::WindowThread(WindowHandle window) {
  auto w = windows.find(window);
  return w == windows.end() ? 0 : w->second.thread;
}

bool FakeDesktop::ThreadAnswers(WindowHandle window, unsigned milliseconds) {
  ThreadId thread = WindowThread(window);
  log_.Add("ThreadAnswers " + std::to_string(thread) + " " + std::to_string(milliseconds));
  return hungThreads.count(thread) == 0;
}

HookHandle FakeDesktop::AddHook(const FakeHook &hook) {
  if (failHooks) return kNoHook;
  HookHandle handle{nextHook_++};
  hooks[handle] = hook;
  return handle;
}

HookHandle FakeDesktop::InstallWinEventHook(unsigned event, WinEventHandler &handler) {
  log_.Add("InstallWinEventHook " + std::to_string(event));
  return AddHook({event, &handler, nullptr});
}

HookHandle FakeDesktop::InstallKeyboardHook(KeyboardHandler &handler) {
  log_.Add("InstallKeyboardHook");
  return AddHook({0, nullptr, &handler});
}

void FakeDesktop::RemoveHook(HookHandle hook) {
  if (hook == kNoHook) return;
  log_.Add("RemoveHook");
  hooks.erase(hook);
}

}  // namespace kestrane::testing
