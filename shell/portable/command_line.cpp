#include "portable/command_line.h"

namespace corvane {

namespace {

bool IsStartFunction(const std::string &name) {
  return name == "beginPlugin" || name == "beginSlitPlugin" || name == "beginPluginEx";
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string> &args) {
  ParsedCommandLine parsed;
  Options &options = parsed.options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--no-slit") {
      options.noSlit = true;
    } else if (arg == "--exec") {
      options.execute = true;
    } else if (arg == "--timing") {
      options.timing = true;
    } else if (arg == "--quiet-plugins") {
      options.quietPlugins = true;
    } else if (arg == "--host-list") {
      options.hostList = true;
    } else if (arg == "--start" || arg == "--script" || arg == "--transcript" ||
               arg == "--editor") {
      if (!hasValue) {
        parsed.error = arg + " needs a value";
        return parsed;
      }
      const std::string &value = args[++i];
      if (arg == "--start") {
        if (!IsStartFunction(value)) {
          parsed.error = "unknown start function " + value;
          return parsed;
        }
        options.start = value;
      } else if (arg == "--script") {
        options.script = value;
      } else if (arg == "--transcript") {
        options.transcript = value;
      } else {
        options.editor = value;
      }
    } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
      parsed.error = "unknown option " + arg;
      return parsed;
    } else if (options.plugin.empty()) {
      options.plugin = arg;
    } else {
      parsed.error = "more than one plug-in: " + arg;
      return parsed;
    }
  }
  if (options.plugin.empty()) {
    parsed.error = "no plug-in given";
    return parsed;
  }
  parsed.ok = true;
  return parsed;
}

bool PassesSlit(const Options &options) {
  return options.start != "beginPlugin" && !options.noSlit;
}

}  // namespace corvane
