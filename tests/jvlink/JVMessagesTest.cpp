#include <unistd.h>

#include "racedata/ErrorLog.h"
#include "racedata/JVMessages.h"
#include "tests/jvlink/TestSupport.h"

namespace corvina {
namespace {
using testing::U;

std::string Msg(const char* op, int code) { return FromCp932(JVErrorMessage(op, code)); }

TEST(JVErrorMessage, EdgeCasesOfTheServiceWording) {
  EXPECT_EQ(Msg("JVRead", -1), "ファイルが切り替わりました。(-1)");
  EXPECT_EQ(Msg("JVStatus", 3), "ダウンロード済みファイル数3(3)");
  EXPECT_EQ(Msg("JVClose", 5), "(5)");
  EXPECT_EQ(Msg("JVOpen", -1), " 取得済みデータより最新のデータがありません。(-1)");
  EXPECT_EQ(Msg("JVRTOpen", -1), " 取得済みデータより最新のデータがありません。(-1)");
  EXPECT_EQ(Msg("JVRead", 1272), "バッファにセットしたデータのサイズ1272(1272)");
  EXPECT_EQ(Msg("JVMVRead", 9), "バッファにセットしたデータのサイズ9(9)");
  EXPECT_EQ(Msg("JVGets", 0), "全ファイルの読み込みが終了しました。（ＥＯＦ ）(0)");
}

TEST(JVErrorMessage, LaterMatchingEntryDecides) {
  // "JVSetUIProperties" also matches the "JVSet" prefix entry, which comes later and decides.
  EXPECT_EQ(Msg("JVSetUIProperties", -101), "すでにサービスキーが登録されています。(-101)");
  EXPECT_EQ(Msg("JVSetUIProperties", -100), "パラメータが不正あるいはレジストリへの保存に失敗しました。(-100)");
  EXPECT_EQ(Msg("JVSetServiceKey", -101), "すでにサービスキーが登録されています。(-101)");
  EXPECT_EQ(Msg("JVSetUIProperties", -201), "(-201)");
}

TEST(JVErrorMessage, NamesMatchWholeExceptTheSetPrefix) {
  EXPECT_EQ(Msg("JVFukuFile", -118), "filepath パラメータが不正です。(-118)");
  EXPECT_EQ(Msg("JVFuku", -118), "(-118)");
  EXPECT_EQ(Msg("JVCourseFile", -118), "(-118)");
  EXPECT_EQ(Msg("JVCourseFile2", -118), "filepathパラメータが不正です。(-118)");
  EXPECT_EQ(Msg("JVMVPlayWithType", -304), "JRAレーシングビュアー連携機能認証エラーが発生しました。(-304)");
  EXPECT_EQ(Msg("JVRea", -1), "(-1)");
  EXPECT_EQ(Msg("jvread", -1), "(-1)");
  EXPECT_EQ(Msg("", 0), "(0)");
}

TEST(JVErrorMessage, TextsOfEachEntryVerbatim) {
  EXPECT_EQ(Msg("JVInit", -103), "sid が不正（sid の１桁目がスペース）です。(-103)");
  EXPECT_EQ(Msg("JVOpen", -202), "前回のJVOpen/JVRTOpen/JVMVOpen に対してJVClose が呼ばれていません。（オープン中）(-202)");
  EXPECT_EQ(Msg("JVRead", -202), Msg("JVOpen", -202));
  EXPECT_EQ(Msg("JVOpen", -411), "サーバーエラー（HTTP ステータス404 NotFount ）が発生しました。(-411)");
  EXPECT_EQ(Msg("JVOpen", -501), "セットアップ処理においてＣＤ －ＲＯＭ が無効です。(-501)");
  EXPECT_EQ(Msg("JVOpen", -504), "サーバーがメンテナンス中です。(-504)");
  EXPECT_EQ(Msg("JVOpen", -201), "JVInit が行なわれていません。(-201)");
  // The two -502 texts differ in their brackets.
  EXPECT_EQ(Msg("JVStatus", -502), "ダウンロードに失敗しました。（通信エラーやディスクエラーなど）(-502)");
  EXPECT_EQ(Msg("JVRead", -502), "ダウンロードに失敗しました。(通信エラーやディスクエラー)(-502)");
  EXPECT_EQ(Msg("JVRead", -3), "ファイルダウンロード中(-3)");
  EXPECT_EQ(Msg("JVRead", -2), "(-2)");
  EXPECT_EQ(Msg("JVFileDelete", -503), "ファイルが見つかりません。(-503)");
  EXPECT_EQ(Msg("JVFuku", -1), "該当データがありません。(-1)");
  EXPECT_EQ(Msg("JVFuku", -411), Msg("JVOpen", -411));
  EXPECT_EQ(Msg("JVMVCheck", 1), "正常(公開動画あり)に実行されました。(1)");
  EXPECT_EQ(Msg("JVMVCheck", -114), "key パラメータが不正です。(-114)");
  EXPECT_EQ(Msg("JVMVOpen", -114), "searchkeyパラメータが不正です。(-114)");
  EXPECT_EQ(Msg("JVMVOpen", -201), "JVInitが行われていません。(-201)");
  EXPECT_EQ(Msg("JVMVOpen", -100), "(-100)");
  EXPECT_EQ(Msg("JVMVPlay", -411), "サーバーエラー(HTTPステータス404NotFound)が発生しました。(-411)");
  EXPECT_EQ(Msg("JVMVRead", -3), "データダウンロード中(-3)");
  EXPECT_EQ(Msg("JVMVRead", -503), "一時ファイルが見つかりません。(-503)");
  // A code listed without its own text takes the open operations' wording; the read texts only where said.
  EXPECT_EQ(Msg("JVMVRead", -201), "JVInit が行なわれていません。(-201)");
  EXPECT_EQ(Msg("JVMVRead", -402), "ダウンロードしたファイルサイズが異常です。(-402)");
  EXPECT_EQ(Msg("JVMVRead", 0), "全ファイルの読み込みが終了しました。（ＥＯＦ ）(0)");
  EXPECT_EQ(Msg("JVCourseFile", -504), "サーバーメンテナンス中です。(-504)");
  EXPECT_EQ(Msg("JVClose", 0), "正常に実行されました。(0)");
}

TEST(JVErrorMessage, EveryTextSurvivesTheCodePage) {
  // A character the code page cannot hold would turn into '?'; none of the service's texts has one.
  for (const char* op : {"JVInit", "JVSetUIProperties", "JVOpen", "JVStatus", "JVRead", "JVFileDelete",
                         "JVFukuFile", "JVMVCheck", "JVMVPlay", "JVMVOpen", "JVMVRead", "JVCourseFile2", "JVClose"})
    for (int code = -600; code <= 1; ++code)
      EXPECT_EQ(JVErrorMessage(op, code).find('?'), std::string::npos) << op << " " << code;
}

class ErrorLogTest : public ::testing::Test {
 protected:
  std::filesystem::path dir = testing::FreshDir("errlog");
  testing::ClockGuard clock{DateTime{2024, 1, 6, 9, 5, 7}};
  std::filesystem::path File() const { return dir / "ErrorLog.txt"; }
};

TEST_F(ErrorLogTest, EntryIsTimeColonAndTextInCp932) {
  const std::string text = JVErrorMessage("JVRTOpen", -504);
  ASSERT_TRUE(AppendErrorLog(dir, text));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(File(), bytes));
  EXPECT_EQ(bytes, U("【エラー】09:05:07：") + text + "\r\n");
}

TEST_F(ErrorLogTest, LogDeletedAfterStartIsCreatedAgain) {
  ASSERT_TRUE(StartErrorLog(dir));
  std::filesystem::remove(File());
  ASSERT_TRUE(AppendErrorLog(dir, "x"));
  EXPECT_EQ(testing::FileLines(File()).size(), 1u);
}

TEST_F(ErrorLogTest, EntriesAccumulate) {
  ASSERT_TRUE(AppendErrorLog(dir, "a"));
  ASSERT_TRUE(AppendErrorLog(dir, "b"));
  Lines lines = testing::FileLines(File());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], U("【エラー】09:05:07：") + "b");
}

TEST_F(ErrorLogTest, StartKeepsLastHundredLinesAndAddsTwo) {
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
}

TEST_F(ErrorLogTest, StartWithoutLogWritesTheTwoLines) {
  ASSERT_TRUE(StartErrorLog(dir));
  EXPECT_EQ(testing::FileLines(File()).size(), 2u);
}

TEST_F(ErrorLogTest, UnwritableFolderIsReported) {
  std::string error;
  EXPECT_FALSE(AppendErrorLog(dir / "missing" / "folder", "x", &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace corvina
