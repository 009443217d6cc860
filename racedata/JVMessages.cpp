#include "racedata/JVMessages.h"

#include <map>
#include <vector>

#include "platform/Cp932.h"

namespace corvina {
namespace {

using CodeTexts = std::map<int, std::string>;  // UTF-8 while the table is built

// The wording of the open operations; most other entries reuse some of these texts.
const CodeTexts& OpenTexts() {
  static const CodeTexts t = {
      {0, "正常に実行されました。"},
      {-1, " 取得済みデータより最新のデータがありません。"},
      {-2, "セットアップダイアログでキャンセルが押されました。"},
      {-111, "dataspec パラメータが不正です。"},
      {-112, "fromdate パラメータが不正です。"},
      {-114, "key パラメータが不正です。"},
      {-115, "option パラメータが不正です。"},
      {-116, "dataspec とoption の組み合わせが不正です。"},
      {-201, "JVInit が行なわれていません。"},
      {-202, "前回のJVOpen/JVRTOpen/JVMVOpen に対してJVClose が呼ばれていません。（オープン中）"},
      {-211, "レジストリ内容が不正（レジストリ内容が不正に変更された）です。"},
      {-301, "認証エラーが発生しました。"},
      {-302, "サービスキーの有効期限切れです。"},
      {-303, "サービスキーが設定されていません。（サービスキーが空値）"},
      {-401, "JV- Link 内部エラーが発生しました。"},
      {-411, "サーバーエラー（HTTP ステータス404 NotFount ）が発生しました。"},
      {-412, "サーバーエラー（HTTP ステータス403 Forbidden ）が発生しました。"},
      {-413, "サーバーエラー（HTTP ステータス200,403,404 以外）が発生しました。"},
      {-421, "サーバーエラー（サーバーの応答が不正）が発生しました。"},
      {-431, "サーバーエラー（サーバーアプリケーション内部エラー）が発生しました。"},
      {-501, "セットアップ処理においてＣＤ －ＲＯＭ が無効です。"},
      {-504, "サーバーがメンテナンス中です。"},
  };
  return t;
}

const CodeTexts& ReadTexts() {
  static const CodeTexts t = {
      {0, "全ファイルの読み込みが終了しました。（ＥＯＦ ）"},
      {-1, "ファイルが切り替わりました。"},
      {-3, "ファイルダウンロード中"},
      {-201, "JVInitが行なわれていません。"},
      {-202, OpenTexts().at(-202)},
      {-203, "JVOpenが行なわれていません。"},
      {-402, "ダウンロードしたファイルサイズが異常です。"},
      {-403, "ダウンロードしたファイル内容が異常です。"},
      {-502, "ダウンロードに失敗しました。(通信エラーやディスクエラー)"},
      {-503, "ファイルが見つかりません。"},
  };
  return t;
}

// The second wording, used by the movie and course-file operations.
CodeTexts MovieTexts() {
  return {
      {0, "正常に実行されました。"},
      {-1, "該当データがありません。"},
      {-201, "JVInitが行われていません。"},
      {-202, OpenTexts().at(-202)},
      {-211, "レジストリ内容が不正です。"},
      {-301, "認証エラーが発生しました。"},
      {-302, "サービスキーの期限切れです。"},
      {-303, "サービスキーが設定されていません。"},
      {-401, "JV-Link内部エラーが発生しました。"},
      {-411, "サーバーエラー(HTTPステータス404NotFound)が発生しました。"},
      {-412, "サーバーエラー(HTTPステータス403Forbidden)が発生しました。"},
      {-413, "サーバーエラー(HTTPステータス200,403,404以外)が発生しました。"},
      {-421, "サーバーエラー(サーバーの応答が不正)が発生しました。"},
      {-431, "サーバーエラー(サーバーアプリケーション内部エラー)が発生しました。"},
      {-504, "サーバーメンテナンス中です。"},
  };
}

CodeTexts Pick(const CodeTexts& from, std::initializer_list<int> codes) {
  CodeTexts t;
  for (int c : codes) t[c] = from.at(c);
  return t;
}

struct Entry {
  std::vector<std::string> names;
  bool prefix = false;  // matches every operation whose first characters are the name
  CodeTexts texts;      // CP932 once built
};

std::vector<Entry> BuildTable() {
  const CodeTexts& open = OpenTexts();
  const CodeTexts& read = ReadTexts();
  std::vector<Entry> t;
  t.push_back({{"JVInit"},
               false,
               {{0, open.at(0)},
                {-101, "sid が設定されていません。"},
                {-102, "sid が64byte 以上あります。"},
                {-103, "sid が不正（sid の１桁目がスペース）です。"}}});
  t.push_back({{"JVSetUIProperties"},
               false,
               {{0, open.at(0)}, {-100, "パラメータが不正あるいはレジストリへの保存に失敗しました。"}}});
  t.push_back({{"JVSet"},
               true,
               {{0, open.at(0)},
                {-100, "パラメータが不正あるいはレジストリへの保存に失敗しました。"},
                {-101, "すでにサービスキーが登録されています。"}}});
  t.push_back({{"JVOpen", "JVRTOpen"}, false, open});
  t.push_back({{"JVStatus"},
               false,
               {{0, open.at(0)},
                {-201, "JVInitが行なわれていません。"},
                {-203, "JVOpenが行なわれていません。"},
                {-502, "ダウンロードに失敗しました。（通信エラーやディスクエラーなど）"}}});
  t.push_back({{"JVRead", "JVGets"}, false, read});
  t.push_back({{"JVFileDelete"},
               false,
               {{0, open.at(0)}, {-201, "JVInitが行なわれていません。"}, {-503, "ファイルが見つかりません。"}}});
  CodeTexts fuku = Pick(open, {0, -201, -211, -301, -302, -303, -401, -411, -412, -413, -421, -431, -504});
  fuku[-1] = "該当データがありません。";
  CodeTexts fukuFile = fuku;
  fukuFile[-118] = "filepath パラメータが不正です。";
  t.push_back({{"JVFukuFile"}, false, fukuFile});
  t.push_back({{"JVFuku"}, false, fuku});
  CodeTexts check = Pick(open, {-114, -201, -202, -211, -301, -302, -303, -401, -411, -412, -413, -421, -431, -504});
  check[0] = "正常(公開動画なし)に実行されました。";
  check[1] = "正常(公開動画あり)に実行されました。";
  check[-1] = "該当データがありません。";
  t.push_back({{"JVMVCheck"}, false, check});
  const std::string authViewer = "JRAレーシングビュアー連携機能認証エラーが発生しました。";
  const std::string movieType = "movietypeパラメータが不正です。";
  CodeTexts play = MovieTexts();
  play[-304] = authViewer;
  play[-114] = "keyパラメータが不正です。";
  play[-111] = movieType;
  play[-100] = "パラメータが不正またはレジストリへの保存に失敗しました。";
  t.push_back({{"JVMVPlay", "JVMVPlayWithType"}, false, play});
  CodeTexts mvOpen = MovieTexts();
  mvOpen[-304] = authViewer;
  mvOpen[-114] = "searchkeyパラメータが不正です。";
  mvOpen[-111] = movieType;
  t.push_back({{"JVMVOpen"}, false, mvOpen});
  CodeTexts mvRead = Pick(read, {0, -402, -403, -502});
  mvRead[-201] = open.at(-201);
  mvRead[-3] = "データダウンロード中";
  mvRead[-203] = "JVMVOpenが行なわれていません。";
  mvRead[-503] = "一時ファイルが見つかりません。";
  t.push_back({{"JVMVRead"}, false, mvRead});
  CodeTexts course = MovieTexts();
  course[-502] = "ダウンロードに失敗しました。(通信エラーやディスクエラー)";
  course[-114] = "keyパラメータが不正です。";
  t.push_back({{"JVCourseFile"}, false, course});
  CodeTexts course2 = course;
  course2[-118] = "filepathパラメータが不正です。";
  t.push_back({{"JVCourseFile2"}, false, course2});
  t.push_back({{"JVClose"}, false, {{0, open.at(0)}}});
  for (auto& e : t)
    for (auto& [code, text] : e.texts) text = ToCp932(text);
  return t;
}

bool Matches(const Entry& e, std::string_view op) {
  for (const auto& n : e.names)
    if (e.prefix ? op.substr(0, n.size()) == n : op == n) return true;
  return false;
}

}  // namespace

std::string JVErrorMessage(std::string_view operation, int code) {
  static const std::vector<Entry> table = BuildTable();
  const std::string& downloaded = CORVINA_CP932("ダウンロード済みファイル数");
  const std::string& bufferSize = CORVINA_CP932("バッファにセットしたデータのサイズ");
  std::string text;
  // Every matching entry decides anew, so a later entry overrides an earlier one.
  for (const auto& e : table) {
    if (!Matches(e, operation)) continue;
    auto it = e.texts.find(code);
    text = it == e.texts.end() ? std::string() : it->second;
  }
  if (code > 0) {
    if (operation == "JVStatus") text = downloaded + std::to_string(code);
    if (operation == "JVRead" || operation == "JVGets" || operation == "JVMVRead")
      text = bufferSize + std::to_string(code);
  }
  return text + "(" + std::to_string(code) + ")";
}

}  // namespace corvina
