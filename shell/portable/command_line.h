// corvane.exe's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane {

struct Options {
  std::string start = "beginPlugin";
  bool noSlit = false;
  std::optional<std::string> script;      // "-" for standard input
  std::optional<std::string> transcript;  // default: beside corvane.exe
  std::string editor = "notepad.exe";
  bool execute = false;       // CVExecute really starts programs
  bool timing = false;        // writes how long starting and ending took
  bool quietPlugins = false;  // CVTranscript writes nothing
  bool hostList = false;      // the plug-in argument lists DLLs the shell starts itself
  bool help = false;          // print the help and do nothing else
  std::string plugin;
};

struct ParsedCommandLine {
  bool ok = false;
  Options options;
  std::string error;
};

// `args` without the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string> &args);

// Whether the start function is handed the Slit window.
bool PassesSlit(const Options &options);

// What --help prints: every option, the script commands. `shellFunctions` names the functions
// this shell exports, blank-separated.
std::string HelpText(const std::string &shellFunctions);

}  // namespace corvane
