// The unpack tool as a user runs it: what it prints and how it exits.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/TempDir.h"

namespace fs = std::filesystem;
using corvina::test::TempDir;

namespace {

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and standard error together
};

ToolRun Unpack(const std::string& args) {
  const char* tools = std::getenv("CORVINA_TOOLS_DIR");
  const std::string exe = std::string(tools ? tools : CORVINA_BINARY_DIR "/tools") + "/unpack/unpack";
  ToolRun r;
  FILE* p = ::popen((exe + " " + args + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  const int status = ::pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace

TEST(UnpackProgram, AFileThatIsNoArchiveIsNamedSo) {
  TempDir dir("unpack-text");
  std::ofstream(dir / "notes.txt") << "plain words, no archive here\n";
  const ToolRun r = Unpack((dir / "notes.txt").string() + " " + (dir / "out").string());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("not an archive"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("compression method"), std::string::npos) << r.output;
}
