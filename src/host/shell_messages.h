// Window messages between the shell, its Slit and a plug-in. Portable: the core uses them.
#pragma once

namespace kestrane {

constexpr unsigned kHostMsgRegister = 10001;      // to the core window: wParam window, lParam list
constexpr unsigned kHostMsgUnregister = 10002;    // same arguments
constexpr unsigned kHostMsgReconfigure = 10103;   // from the shell
constexpr unsigned kHostMsgHideMenus = 10302;     // to the core window
constexpr unsigned kHostMsgStatusText = 10304;    // to the core window: lParam text
constexpr unsigned kHostMsgBroam = 10901;         // both ways: lParam text
constexpr unsigned kSlitMsgAddWindow = 11001;     // to the Slit: lParam window
constexpr unsigned kSlitMsgRemoveWindow = 11002;  // to the Slit: lParam window

}  // namespace kestrane
