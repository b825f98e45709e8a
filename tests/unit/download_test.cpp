#include "update/download.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "update/file_name.h"
#include "update/url_text.h"
#include "update_rig.h"

namespace kestrane {
namespace {

using testing::ScriptedAnswer;
using testing::UpdateRig;

TEST(UrlText, SchemesFileNamesAndNamesThatStayInTheirFolder) {
  Path bare{"site/meta.txt"}, ftp{"ftp://site/x"}, empty;
  EXPECT_TRUE(EnsureUrlScheme(bare));
  EXPECT_EQ(bare.view(), "http://site/meta.txt");
  EXPECT_TRUE(EnsureUrlScheme(ftp));
  EXPECT_EQ(ftp.view(), "ftp://site/x");
  EXPECT_TRUE(EnsureUrlScheme(empty));
  EXPECT_EQ(empty.view(), "http://");
  Path longest{std::string(255, 'a')};
  EXPECT_FALSE(EnsureUrlScheme(longest));  // a cut address would fetch another file
  EXPECT_EQ(longest.size(), 255u);

  EXPECT_EQ(UrlFileName("http://site/dir/plugin.dll").view(), "plugin.dll");
  EXPECT_EQ(UrlFileName("plugin.dll").view(), "plugin.dll");
  EXPECT_EQ(UrlFileName("http://site/dir/").view(), "");

  for (const char *name : {"plugin.dll", "..hidden", "com10.dll", "a b.txt"}) {
    EXPECT_TRUE(IsPlainFileName(name)) << name;
  }
  for (const char *name : {"",    ".",   "..",      "..\\x.dll", "c:x.dll", "a\\b",      "a/b",
                           "x?y", "a*",  "a|b",     "<a>",       "\"a\"",   "tab\there", "a.",
                           "a ",  "con", "NUL.txt", "Com1.dll",  "lpt9",    "conout$"}) {
    EXPECT_FALSE(IsPlainFileName(name)) << name;
  }
}

// Every way a server can fail to deliver a whole 2xx body: the target keeps its old content
// and no partial file stays beside it.
TEST(DownloadUrlToFile, OnlyAWholeSuccessfulBodyReplacesTheTarget) {
  UpdateRig rig;
  const std::string body(3000, 'n');
  auto answer = [&](auto change) {
    ScriptedAnswer a;
    a.body = body;
    change(a);
    return a;
  };
  const ScriptedAnswer hostile[] = {
      answer([](ScriptedAnswer &a) { a.status = 404; }),
      answer([](ScriptedAnswer &a) { a.status = 500; }),
      answer([](ScriptedAnswer &a) { a.status = 302; }),
      answer([](ScriptedAnswer &a) { a.length = 5000; }),      // broken off
      answer([](ScriptedAnswer &a) { a.failAfter = 1500; }),   // timed out
      answer([](ScriptedAnswer &a) { a.length = 1u << 30; }),  // announced too large
      answer([](ScriptedAnswer &a) {
        a.withoutLength = true;
        a.body.assign(2049, 'x');
      }),
      answer([](ScriptedAnswer &a) { a.refuse = true; }),
  };
  rig.Write("f/target.dll", "old");
  for (const ScriptedAnswer &a : hostile) {
    rig.internet.Serve("http://site/f", a);
    Path url{"site/f"}, target{rig.root + "f/target.dll"};
    EXPECT_FALSE(DownloadUrlToFile(rig.internet, rig.kernel, url, target, 2048));
    EXPECT_EQ(rig.Folder("f"), (std::map<std::string, std::string>{{"f/target.dll", "old"}}));
  }
  // An https address must end on https, wherever its redirects lead.
  for (const char *end : {"http://site/g", "", "HTTPS://other/g"}) {
    ScriptedAnswer a;
    a.body = body;
    a.finalUrl = end;
    rig.internet.Serve("https://site/f", a);
    Path url{"https://site/f"}, target{rig.root + "f/target.dll"};
    EXPECT_EQ(DownloadUrlToFile(rig.internet, rig.kernel, url, target, 4096), *end == 'H') << end;
    rig.Write("f/target.dll", "old");
  }
  rig.internet.Serve("http://site/f", body);
  Path url{"site/f"}, target{" \t" + rig.root + "f/target.dll\r\n"};
  EXPECT_TRUE(DownloadUrlToFile(rig.internet, rig.kernel, url, target, 4096));
  EXPECT_EQ(target.view(), rig.root + "f/target.dll");
  EXPECT_EQ(rig.Folder("f"), (std::map<std::string, std::string>{{"f/target.dll", body}}));
}

TEST(AppendUrlToFile, AppendsWholeBodiesInCallOrderAndNothingElse) {
  UpdateRig rig;
  const std::string file = rig.root + "metadata.txt";
  rig.internet.Serve("http://one/m", "A.version: 1\n");
  rig.internet.Serve("http://two/m", "B.version: 2\n");
  ScriptedAnswer missing, cut, large;
  missing.status = 404;
  missing.body = "Not Found\n";
  cut.body = "C.version: 3\n";
  cut.length = 100;
  large.withoutLength = true;
  large.body.assign(kMetadataLimitBytes + 1, 'x');
  rig.internet.Serve("http://gone/m", missing);
  rig.internet.Serve("http://cut/m", cut);
  rig.internet.Serve("http://large/m", large);
  for (const char *address : {"one/m", "gone/m", "cut/m", "large/m", "http://two/m"}) {
    Path url{address};
    AppendUrlToFile(rig.internet, url, file.c_str(), kMetadataLimitBytes);
  }
  EXPECT_EQ(rig.Read("metadata.txt"), "A.version: 1\nB.version: 2\n");

  Path empty;
  EXPECT_FALSE(AppendUrlToFile(rig.internet, empty, (rig.root + "new.txt").c_str(), 100));
  EXPECT_EQ(rig.internet.Opened().back(), "http://");
  EXPECT_FALSE(std::filesystem::exists(rig.root + "new.txt"));
}

}  // namespace
}  // namespace kestrane
