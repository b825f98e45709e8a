#include "portable/command_line.h"

namespace corvane {

namespace {

struct OptionHelp {
  const char *name;
  const char *value;  // null for a switch
  const char *help;
};

// The options there are: only these parse, and --help shows each.
constexpr OptionHelp kOptions[] = {
    {"--start", "FUNCTION", "beginPlugin (the default), beginSlitPlugin or\nbeginPluginEx"},
    {"--no-slit", nullptr, "hand beginSlitPlugin and beginPluginEx no Slit"},
    {"--script", "FILE|-",
     "the session script; - for standard input (the\ndefault unless it is a console, else just "
     "end)"},
    {"--transcript", "FILE",
     "where the transcript goes (default:\ntranscript.txt beside corvane.exe)"},
    {"--editor", "PATH", "what GetCorvaneEditor answers (default:\nnotepad.exe)"},
    {"--exec", nullptr, "CVExecute really starts programs (else it only\nwrites them down)"},
    {"--timing", nullptr, "write how long starting, ending, bro@ms and\nwaits took"},
    {"--quiet-plugins", nullptr, "CVTranscript writes nothing"},
    {"--host-list", nullptr,
     "PLUGIN is a text file of DLL paths, one a line,\nwhich the shell starts itself"},
    {"--help", nullptr, "this text"},
};

// Where the explanations start, in both lists.
constexpr size_t kColumn = 27;

constexpr const char *kScriptHelp =
    "Script commands, one a line (# starts a comment; the last argument takes the\n"
    "rest of the line):\n"
    "  broam TEXT               send the bro@m TEXT to every window that takes it\n"
    "  reconfigure              send 10103 to the windows registered for it\n"
    "  restart                  endPlugin and the start function again\n"
    "  wait MS                  pump messages for MS milliseconds\n"
    "  rclick CLASS             right-click the first window of that class\n"
    "  pick COMMAND [VALUE]     pick that item of the menu shown last\n"
    "  answer yes|no|ok|cancel|abort|retry|ignore\n"
    "                           the answer for the next message box (else OK)\n"
    "  hold                     keep the next message box open until the plug-in\n"
    "                           is unloaded\n"
    "  waitfor MS TEXT          wait up to MS ms for a transcript line holding TEXT\n"
    "                           (message boxes and status texts are lines too)\n"
    "  await TEXT               the same, for up to 20 s\n"
    "  dialog open PATH         the file for the next open-file dialog\n"
    "  dialog folder PATH       the folder for the next folder browser\n"
    "  window CLASS             write that window's state\n"
    "  move CLASS X Y           move that window\n"
    "  send CLASS MSG WPARAM LPARAM\n"
    "                           send it a message, writing the result\n"
    "  screenshot CLASS FILE    save that window as a 24-bit BMP\n"
    "  run COMMANDLINE          start a program (ended when the shell ends)\n"
    "  tell CLASS TEXT          send TEXT to another program's window\n"
    "  end                      end the session; lines after it run once the plug-in\n"
    "                           is unloaded\n"
    "answer, hold, dialog, run and await lines before any other command are carried\n"
    "out before the start function is called.\n";

const OptionHelp *FindOption(const std::string &name) {
  for (const OptionHelp &option : kOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

bool IsStartFunction(const std::string &name) {
  return name == "beginPlugin" || name == "beginSlitPlugin" || name == "beginPluginEx";
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string> &args) {
  ParsedCommandLine parsed;
  Options &options = parsed.options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    // A plug-in's path never starts with a dash: a mistyped option is never loaded.
    if (!arg.empty() && arg[0] == '-') {
      const OptionHelp *option = FindOption(arg == "-h" ? "--help" : arg);
      if (option == nullptr) {
        parsed.error = "unknown option " + arg;
        return parsed;
      }
      if (option->value != nullptr && i + 1 >= args.size()) {
        parsed.error = arg + " needs a value";
        return parsed;
      }
      const std::string value = option->value != nullptr ? args[++i] : "";
      const std::string name = option->name;
      if (name == "--help") {
        options.help = true;
        parsed.ok = true;
        return parsed;
      } else if (name == "--start") {
        if (!IsStartFunction(value)) {
          parsed.error = "unknown start function " + value;
          return parsed;
        }
        options.start = value;
      } else if (name == "--script") {
        options.script = value;
      } else if (name == "--transcript") {
        options.transcript = value;
      } else if (name == "--editor") {
        options.editor = value;
      } else {
        options.noSlit = options.noSlit || name == "--no-slit";
        options.execute = options.execute || name == "--exec";
        options.timing = options.timing || name == "--timing";
        options.quietPlugins = options.quietPlugins || name == "--quiet-plugins";
        options.hostList = options.hostList || name == "--host-list";
      }
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

std::string HelpText(const std::string &shellFunctions) {
  std::string text =
      "usage: corvane.exe [OPTION...] PLUGIN.dll\n"
      "A stand-in Corvane shell: loads one plug-in DLL, starts it, runs a script, ends\n"
      "and unloads it, and writes a transcript of everything the plug-in asked of it.\n\n"
      "Options:\n";
  for (const OptionHelp &option : kOptions) {
    std::string head = std::string("  ") + option.name;
    if (option.value != nullptr) head += std::string(" ") + option.value;
    head.resize(kColumn, ' ');
    std::string help = option.help;
    for (size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1)) {
      help.insert(at + 1, std::string(kColumn, ' '));
    }
    text += head + help + "\n";
  }
  text += "\n";
  text += kScriptHelp;
  text +=
      "\nOnly the shell functions Kestrane uses are provided (and CVTranscript, which\n"
      "writes a line into the transcript); a plug-in importing any other one is not\n"
      "loaded, and the transcript names the function. Provided:\n";
  // Wrapped at blanks, two columns in.
  std::string line = " ";
  size_t start = 0;
  while (start < shellFunctions.size()) {
    size_t end = shellFunctions.find(' ', start);
    if (end == std::string::npos) end = shellFunctions.size();
    const std::string word = shellFunctions.substr(start, end - start);
    if (!word.empty()) {
      if (line.size() + 1 + word.size() > 78) {
        text += line + "\n";
        line = " ";
      }
      line += " " + word;
    }
    start = end + 1;
  }
  if (line.size() > 1) text += line + "\n";
  text += "\nExit codes: 0 done, 1 the shell's windows died, 2 bad arguments, 3 no plug-in.\n";
  return text;
}

}  // namespace corvane
