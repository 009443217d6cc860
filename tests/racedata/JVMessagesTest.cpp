#include <algorithm>
#include <utility>
#include <vector>

#include "racedata/ErrorLog.h"
#include "racedata/JVMessages.h"
#include "tests/support/HeldSave.h"
#include "tests/support/JVLinkFiles.h"
#include "tests/support/Unprivileged.h"

namespace corvina {
namespace {
using testing::U;

// The service's wording: entries matched by whole name except the "JVSet" prefix (which, coming later, decides
// for "JVSetUIProperties" too), texts that differ between entries only in their brackets or blanks, and codes
// an entry does not list.
TEST(JVErrorMessage, TextsOfTheServiceTable) {
  struct Row {
    const char* op;
    int code;
    const char* text;
  };
  const Row rows[] = {
      {"JVRead", -1, "ファイルが切り替わりました。(-1)"},
      {"JVClose", 5, "(5)"},
      {"JVRead", -2, "(-2)"},
      {"JVStatus", 3, "ダウンロード済みファイル数3(3)"},
      {"JVMVRead", 9, "バッファにセットしたデータのサイズ9(9)"},
      {"JVRTOpen", -1, " 取得済みデータより最新のデータがありません。(-1)"},
      {"JVGets", 0, "全ファイルの読み込みが終了しました。（ＥＯＦ ）(0)"},
      {"JVSetUIProperties", -101, "すでにサービスキーが登録されています。(-101)"},
      {"JVSetUIProperties", -100, "パラメータが不正あるいはレジストリへの保存に失敗しました。(-100)"},
      {"JVSetServiceKey", -101, "すでにサービスキーが登録されています。(-101)"},
      {"JVSetUIProperties", -201, "(-201)"},
      {"JVFukuFile", -118, "filepath パラメータが不正です。(-118)"},
      {"JVFuku", -118, "(-118)"},
      {"JVCourseFile2", -118, "filepathパラメータが不正です。(-118)"},
      {"JVCourseFile", -118, "(-118)"},
      {"JVMVPlayWithType", -304, "JRAレーシングビュアー連携機能認証エラーが発生しました。(-304)"},
      {"JVRea", -1, "(-1)"},
      {"jvread", -1, "(-1)"},
      {"", 0, "(0)"},
      {"JVMVOpen", -100, "(-100)"},
      {"JVInit", -103, "sid が不正（sid の１桁目がスペース）です。(-103)"},
      {"JVRead", -202, "前回のJVOpen/JVRTOpen/JVMVOpen に対してJVClose が呼ばれていません。（オープン中）(-202)"},
      {"JVFuku", -411, "サーバーエラー（HTTP ステータス404 NotFount ）が発生しました。(-411)"},
      {"JVMVPlay", -411, "サーバーエラー(HTTPステータス404NotFound)が発生しました。(-411)"},
      {"JVOpen", -501, "セットアップ処理においてＣＤ －ＲＯＭ が無効です。(-501)"},
      {"JVOpen", -504, "サーバーがメンテナンス中です。(-504)"},
      {"JVCourseFile", -504, "サーバーメンテナンス中です。(-504)"},
      {"JVMVRead", -3, "データダウンロード中(-3)"},
      {"JVStatus", -502, "ダウンロードに失敗しました。（通信エラーやディスクエラーなど）(-502)"},
      {"JVRead", -502, "ダウンロードに失敗しました。(通信エラーやディスクエラー)(-502)"},
      {"JVFileDelete", -503, "ファイルが見つかりません。(-503)"},
      {"JVFuku", -1, "該当データがありません。(-1)"},
      {"JVMVCheck", 1, "正常(公開動画あり)に実行されました。(1)"},
      {"JVMVCheck", -114, "key パラメータが不正です。(-114)"},
      {"JVMVOpen", -201, "JVInitが行われていません。(-201)"},
      {"JVMVOpen", -114, "searchkeyパラメータが不正です。(-114)"},
      {"JVMVRead", -503, "一時ファイルが見つかりません。(-503)"},
      // A code listed without its own text takes the open operations' wording; the read texts only where said.
      {"JVMVRead", -201, "JVInit が行なわれていません。(-201)"},
      {"JVMVRead", -402, "ダウンロードしたファイルサイズが異常です。(-402)"},
      {"JVMVRead", 0, "全ファイルの読み込みが終了しました。（ＥＯＦ ）(0)"},
  };
  for (const Row& r : rows) EXPECT_EQ(FromCp932(JVErrorMessage(r.op, r.code)), r.text) << r.op << " " << r.code;
}

// The codes each operation has a text for, whole: a text filed under another code, or a code left out, shows.
TEST(JVErrorMessage, EveryOperationHasTextsForExactlyItsCodes) {
  const std::vector<int> open = {-504, -501, -431, -421, -413, -412, -411, -401, -303, -302, -301,
                                 -211, -202, -201, -116, -115, -114, -112, -111, -2,   -1,   0};
  const std::vector<int> read = {-503, -502, -403, -402, -203, -202, -201, -3, -1, 0, 1};
  const std::vector<int> fuku = {-504, -431, -421, -413, -412, -411, -401, -303, -302, -301, -211, -201, -1, 0};
  const std::vector<int> movie = {-504, -431, -421, -413, -412, -411, -401, -304, -303,
                                  -302, -301, -211, -202, -201, -114, -111, -1,   0};
  const std::vector<int> course = {-504, -502, -431, -421, -413, -412, -411, -401, -303,
                                   -302, -301, -211, -202, -201, -114, -1,   0};
  auto with = [](std::vector<int> codes, std::initializer_list<int> more) {
    codes.insert(codes.end(), more);
    std::sort(codes.begin(), codes.end());
    return codes;
  };
  const std::vector<std::pair<const char*, std::vector<int>>> rows = {
      {"JVInit", {-103, -102, -101, 0}},
      {"JVSetUIProperties", {-101, -100, 0}},
      {"JVSetSaveFlag", {-101, -100, 0}},
      {"JVOpen", open},
      {"JVRTOpen", open},
      {"JVStatus", {-502, -203, -201, 0, 1}},
      {"JVRead", read},
      {"JVGets", read},
      {"JVFileDelete", {-503, -201, 0}},
      {"JVFuku", fuku},
      {"JVFukuFile", with(fuku, {-118})},
      {"JVMVCheck", {-504, -431, -421, -413, -412, -411, -401, -303, -302, -301, -211, -202, -201, -114, -1, 0, 1}},
      {"JVMVPlay", with(movie, {-100})},
      {"JVMVPlayWithType", with(movie, {-100})},
      {"JVMVOpen", movie},
      {"JVMVRead", {-503, -502, -403, -402, -203, -201, -3, 0, 1}},
      {"JVCourseFile", course},
      {"JVCourseFile2", with(course, {-118})},
      {"JVClose", {0}},
      {"JVCancel", {}},
  };
  for (const auto& [op, codes] : rows) {
    std::vector<int> texts;
    for (int code = -700; code <= 1; ++code)
      if (JVErrorMessage(op, code) != "(" + std::to_string(code) + ")") texts.push_back(code);
    EXPECT_EQ(texts, codes) << op;
  }
}

TEST(JVErrorMessage, EveryTextSurvivesTheCodePage) {
  // A character the code page cannot hold would turn into '?'; none of the service's texts has one.
  for (const char* op : {"JVInit", "JVSetUIProperties", "JVOpen", "JVStatus", "JVRead", "JVFileDelete", "JVFukuFile",
                         "JVMVCheck", "JVMVPlay", "JVMVOpen", "JVMVRead", "JVCourseFile2", "JVClose"})
    for (int code = -600; code <= 1; ++code)
      EXPECT_EQ(JVErrorMessage(op, code).find('?'), std::string::npos) << op << " " << code;
}

class ErrorLogTest : public ::testing::Test {
 protected:
  test::TempDir tmp{"errlog"};
  std::filesystem::path dir = tmp.path();
  testing::ClockGuard clock{DateTime{2024, 1, 6, 9, 5, 7}};
  std::filesystem::path File() const { return dir / "ErrorLog.txt"; }
};

TEST_F(ErrorLogTest, EntriesAreTimeColonAndTextInCp932AndAccumulate) {
  const std::string text = JVErrorMessage("JVRTOpen", -504);
  ASSERT_TRUE(AppendErrorLog(dir, text));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(File(), bytes));
  EXPECT_EQ(bytes, U("【エラー】09:05:07：") + text + "\r\n");
  ASSERT_TRUE(AppendErrorLog(dir, "b"));
  Lines lines = testing::FileLines(File());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], U("【エラー】09:05:07：") + "b");
}

// Two processes that log at once (a window and a dayreport) keep every entry: while one is held between reading
// the log and renaming the new one over it, the other's entries wait for it instead of being thrown away by it.
TEST_F(ErrorLogTest, EntriesOfTwoProcessesLoggingAtOnceAreAllKept) {
  ASSERT_TRUE(StartErrorLog(dir));
  EXPECT_TRUE(test::WhileAChildIsHeldInARewrite(
      "ErrorLog.txt",
      [&] {
        for (int i = 0; i < 20; ++i)
          if (!AppendErrorLog(dir, "child " + std::to_string(i))) return false;
        return true;
      },
      [&] {
        for (int i = 0; i < 20; ++i) EXPECT_TRUE(AppendErrorLog(dir, "parent " + std::to_string(i)));
      }));
  const Lines lines = testing::FileLines(File());
  ASSERT_EQ(lines.size(), 42u);
  for (const char* who : {"child ", "parent "})
    for (int i = 0; i < 20; ++i) {
      const std::string line = U("【エラー】09:05:07：") + who + std::to_string(i);
      EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << line;
    }
}

TEST_F(ErrorLogTest, StartKeepsLastHundredLinesAndAddsTwo) {
  ASSERT_TRUE(StartErrorLog(dir));  // no log yet: the two lines alone
  EXPECT_EQ(testing::FileLines(File()).size(), 2u);
  Lines old;
  for (int i = 1; i <= 250; ++i) old.push_back("line" + std::to_string(i));
  ASSERT_TRUE(SaveLines(File(), old));
  ASSERT_TRUE(StartErrorLog(dir));
  Lines lines = testing::FileLines(File());
  ASSERT_EQ(lines.size(), 102u);
  EXPECT_EQ(lines[0], "line151");
  EXPECT_EQ(lines[100], U("ソフト起動：2024/01/06 09:05:07"));
  EXPECT_EQ(lines[101], dir.string());

  old.resize(40);
  ASSERT_TRUE(SaveLines(File(), old));
  ASSERT_TRUE(StartErrorLog(dir));
  EXPECT_EQ(testing::FileLines(File()).size(), 42u);
  // A log deleted after the start is made again by the next entry.
  std::filesystem::remove(File());
  ASSERT_TRUE(AppendErrorLog(dir, "x"));
  EXPECT_EQ(testing::FileLines(File()).size(), 1u);
}

// A log that cannot be read is history the program cannot see: writing a fresh log over it would lose it.
TEST_F(ErrorLogTest, UnreadableLogIsRefusedAndKeptWhole) {
  Lines old;
  for (int i = 1; i <= 150; ++i) old.push_back("line" + std::to_string(i));
  ASSERT_TRUE(SaveLines(File(), old));
  std::filesystem::permissions(File(), std::filesystem::perms::owner_write);
  EXPECT_TRUE(test::RunUnprivileged(dir, [&] {
    std::string startError, appendError;
    return !StartErrorLog(dir, &startError) && startError.find(File().string()) != std::string::npos &&
           !AppendErrorLog(dir, "x", &appendError) && !appendError.empty();
  }));
  std::filesystem::permissions(File(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_EQ(testing::FileLines(File()), old);
}

TEST_F(ErrorLogTest, UnwritableFolderIsReported) {
  std::string error;
  EXPECT_FALSE(AppendErrorLog(dir / "missing" / "folder", "x", &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace corvina
