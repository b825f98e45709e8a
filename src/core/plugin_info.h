// What Kestrane answers when the shell asks its pluginInfo.
#pragma once

namespace kestrane {

constexpr const char *kProductName = "Kestrane";
constexpr const char *kProductVersion = "0.7b";
constexpr const char *kAuthor = "The Kestrane developers";
constexpr const char *kReleaseDate = "2004-10-31";
constexpr const char *kWebAddress = "http://kestrane.example.org/";
constexpr const char *kEmailAddress = "kestrane@example.org";

// Codes 1 to 6 have their own answers; every other code gets "Kestrane 0.7b", the fixed text
// by which a host tells that a code is unknown.
const char *PluginInfoAnswer(int code);

}  // namespace kestrane
