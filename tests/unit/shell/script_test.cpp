// The session script and the command line: what the end-to-end tests type must mean exactly
// one thing, and mistakes must be reported rather than guessed at.
#include <gtest/gtest.h>

#include <sstream>

#include "portable/command_line.h"
#include "portable/script_line.h"
#include "portable/script_source.h"

namespace corvane {
namespace {

ScriptCommand Parsed(const std::string &line) {
  const ScriptLine parsed = ParseScriptLine(line);
  EXPECT_EQ(parsed.kind, ScriptLine::Kind::kCommand) << line << ": " << parsed.error;
  return parsed.command;
}

bool Rejected(const std::string &line) {
  return ParseScriptLine(line).kind == ScriptLine::Kind::kError;
}

TEST(ScriptLineTest, BlankAndCommentLinesAreSkipped) {
  for (const char *line : {"", "   ", "\r", "# broam x", "  # indented"}) {
    EXPECT_EQ(ParseScriptLine(line).kind, ScriptLine::Kind::kSkip) << line;
  }
}

TEST(ScriptLineTest, LastArgumentTakesTheRestOfTheLine) {
  EXPECT_EQ(Parsed("broam @Kestrane Toggle  twice\r").text, "@Kestrane Toggle  twice");
  const ScriptCommand shot = Parsed("screenshot Kestrane C:\\my shots\\a.bmp");
  EXPECT_EQ(shot.target, "Kestrane");
  EXPECT_EQ(shot.text, "C:\\my shots\\a.bmp");
  const ScriptCommand open = Parsed("dialog open C:\\a b\\c.zip");
  EXPECT_EQ(open.verb, ScriptVerb::kDialogOpen);
  EXPECT_EQ(open.text, "C:\\a b\\c.zip");
  EXPECT_EQ(Parsed("dialog folder C:\\x").verb, ScriptVerb::kDialogFolder);
  const ScriptCommand tell = Parsed("tell WindowMaker press space Frame");
  EXPECT_EQ(tell.target, "WindowMaker");
  EXPECT_EQ(tell.text, "press space Frame");
  EXPECT_EQ(Parsed("run tools\\maker.exe open A plain").text, "tools\\maker.exe open A plain");
  EXPECT_EQ(Parsed("await maker done open").text, "maker done open");
}

TEST(ScriptLineTest, Numbers) {
  const ScriptCommand send = Parsed("send Kestrane 0x2775 -1 0xFFFFFFFF");
  EXPECT_EQ(send.verb, ScriptVerb::kSend);
  EXPECT_EQ(send.numbers[0], 10101);
  EXPECT_EQ(send.numbers[1], -1);
  EXPECT_EQ(send.numbers[2], 0xFFFFFFFFLL);
  const ScriptCommand move = Parsed("move Kestrane -5 700");
  EXPECT_EQ(move.numbers[0], -5);
  EXPECT_EQ(move.numbers[1], 700);
  EXPECT_EQ(Parsed("wait 250").numbers[0], 250);
}

TEST(ScriptLineTest, PickTakesATrailingNumberAsTheValue) {
  const ScriptCommand plain = Parsed("pick @Kestrane.Top");
  EXPECT_EQ(plain.text, "@Kestrane.Top");
  EXPECT_FALSE(plain.value);
  const ScriptCommand valued = Parsed("pick @Kestrane.Alpha -20");
  EXPECT_EQ(valued.text, "@Kestrane.Alpha");
  EXPECT_EQ(valued.value, "-20");
  const ScriptCommand spaced = Parsed("pick @Kestrane Toggle");
  EXPECT_EQ(spaced.text, "@Kestrane Toggle");
  EXPECT_FALSE(spaced.value);
}

TEST(ScriptLineTest, Answers) {
  EXPECT_EQ(Parsed("answer yes").answer, Answer::kYes);
  EXPECT_EQ(Parsed("answer cancel").answer, Answer::kCancel);
  EXPECT_TRUE(Rejected("answer Yes"));
  EXPECT_TRUE(Rejected("answer"));
  EXPECT_EQ(Parsed("hold").verb, ScriptVerb::kHold);
  EXPECT_TRUE(Rejected("hold yes"));
  EXPECT_EQ(Parsed("restart").verb, ScriptVerb::kRestart);
  EXPECT_TRUE(Rejected("restart now"));
  EXPECT_EQ(Parsed("memory").verb, ScriptVerb::kMemory);
  EXPECT_TRUE(Rejected("memory now"));
  EXPECT_EQ(Parsed("waitfor 500 text=\"Update done\"").text, "text=\"Update done\"");
  EXPECT_EQ(Parsed("waitfor 500 x").numbers[0], 500);
  EXPECT_TRUE(Rejected("waitfor x y"));
  EXPECT_TRUE(Rejected("waitfor 500"));
}

TEST(ScriptLineTest, MistakesAreErrors) {
  for (const char *line : {"brom x",          "broam",      "wait",          "wait -1",
                           "wait 1s",         "window",     "window a b",    "rclick",
                           "move K 1",        "move K x 2", "send K 1 2",    "send K 1 2 z",
                           "screenshot K",    "end now",    "reconfigure x", "dialog save C:\\x",
                           "dialog open",     "pick",       "run",           "await",
                           "tell WindowMaker"}) {
    EXPECT_TRUE(Rejected(line)) << line;
  }
}

TEST(ScriptNumber, Forms) {
  EXPECT_EQ(ParseNumber("0"), 0);
  EXPECT_EQ(ParseNumber("-0x10"), -16);
  EXPECT_EQ(ParseNumber("0XfF"), 255);
  EXPECT_FALSE(ParseNumber("0x"));
  EXPECT_FALSE(ParseNumber("-"));
  EXPECT_FALSE(ParseNumber("1e3"));
  EXPECT_FALSE(ParseNumber("99999999999999999999999"));
}

TEST(ScriptSourceTest, PreludeTakesOnlyTheLeadingAnswersAndPrograms) {
  std::istringstream in(
      "# boxes while starting\nanswer yes\n\ndialog open C:\\a.zip\n"
      "run maker.exe\nawait maker ready\nwindow Kestrane\nanswer no\nend\n");
  ScriptSource source(&in);
  const auto prelude = source.TakePrelude();
  ASSERT_EQ(prelude.size(), 4u);  // programs too, for windows that must be there at the start
  EXPECT_EQ(prelude[0].answer, Answer::kYes);
  EXPECT_EQ(prelude[1].text, "C:\\a.zip");

  auto next = source.Next();  // the line that ended the prelude is not lost
  ASSERT_TRUE(next);
  EXPECT_EQ(next->command.verb, ScriptVerb::kWindow);
  EXPECT_EQ(source.LineNumber(), 7);
  EXPECT_EQ(source.Next()->command.verb, ScriptVerb::kAnswer);
  EXPECT_EQ(source.Next()->command.verb, ScriptVerb::kEnd);
  EXPECT_FALSE(source.Next());
}

TEST(ScriptSourceTest, ErrorsEndThePreludeAndCarryTheirLine) {
  std::istringstream in("answer ok\nnonsense\n");
  ScriptSource source(&in);
  EXPECT_EQ(source.TakePrelude().size(), 1u);
  const auto line = source.Next();
  ASSERT_TRUE(line);
  EXPECT_EQ(line->kind, ScriptLine::Kind::kError);
  EXPECT_EQ(source.LineNumber(), 2);
}

TEST(ScriptSourceTest, NoInputIsAnEmptyScript) {
  ScriptSource source(nullptr);
  EXPECT_TRUE(source.TakePrelude().empty());
  EXPECT_FALSE(source.Next());
}

ParsedCommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

TEST(CommandLineTest, Defaults) {
  const auto parsed = Parse({"Kestrane.dll"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.options.start, "beginPlugin");
  EXPECT_EQ(parsed.options.editor, "notepad.exe");
  EXPECT_FALSE(parsed.options.script);
  EXPECT_FALSE(parsed.options.transcript);
  EXPECT_FALSE(parsed.options.execute);
  EXPECT_FALSE(PassesSlit(parsed.options));
}

TEST(CommandLineTest, AllOptions) {
  const auto parsed = Parse({"--start", "beginSlitPlugin", "--script", "-", "--transcript", "t.txt",
                             "--editor", "C:\\ed.exe", "--exec", "K.dll"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.options.start, "beginSlitPlugin");
  EXPECT_EQ(parsed.options.script, "-");
  EXPECT_EQ(parsed.options.transcript, "t.txt");
  EXPECT_EQ(parsed.options.editor, "C:\\ed.exe");
  EXPECT_TRUE(parsed.options.execute);
  EXPECT_EQ(parsed.options.plugin, "K.dll");
  EXPECT_TRUE(PassesSlit(parsed.options));
}

TEST(CommandLineTest, SlitOnlyForSlitStartsUnlessRefused) {
  auto parsed = Parse({"--start", "beginPluginEx", "K.dll"});
  EXPECT_TRUE(PassesSlit(parsed.options));
  parsed = Parse({"--no-slit", "--start", "beginPluginEx", "K.dll"});
  EXPECT_FALSE(PassesSlit(parsed.options));
}

TEST(CommandLineTest, BadArguments) {
  EXPECT_FALSE(Parse({}).ok);
  EXPECT_FALSE(Parse({"--start", "endPlugin", "K.dll"}).ok);
  EXPECT_FALSE(Parse({"K.dll", "--script"}).ok);
  EXPECT_FALSE(Parse({"a.dll", "b.dll"}).ok);
  // A mistyped option is never taken for the plug-in's path.
  for (const char *option : {"--verbose", "-x", "-", "-timing"}) {
    const auto parsed = Parse({option, "K.dll"});
    EXPECT_FALSE(parsed.ok) << option;
    EXPECT_EQ(parsed.error, std::string("unknown option ") + option);
  }
}

TEST(CommandLineTest, HelpNeedsNoPluginAndNamesEveryOptionAndFunction) {
  for (const auto &args : {std::vector<std::string>{"--help"}, {"-h"}, {"K.dll", "--help"}}) {
    const auto parsed = Parse(args);
    EXPECT_TRUE(parsed.ok && parsed.options.help) << args[0];
  }
  const std::string help = HelpText("GetCVWnd ReadInt");
  for (const char *named : {"--start", "--no-slit", "--script", "--transcript", "--editor",
                            "--exec", "--timing", "--quiet-plugins", "--host-list",
                            "waitfor MS TEXT", "\n  GetCVWnd ReadInt\n"}) {
    EXPECT_NE(help.find(named), std::string::npos) << named;
  }
}

}  // namespace
}  // namespace corvane
