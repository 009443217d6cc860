// The version window and its shell utilities: the registry default, the web-page handler command, opening the
// home page by either way, and the window itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <map>
#include <tuple>

#include "components/ui/Label3D.h"
#include "mainwindow/ui/AboutBox.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Shell.h"
#include "tests/support/QtApp.h"

using namespace corvina;

namespace {
// A registry of default values under HKEY_CLASSES_ROOT, keeping the keys asked for.
struct FakeRegistry {
  explicit FakeRegistry(std::map<std::string, std::string> v) : values(std::move(v)) {
    SetRegistryReader([this](RegRoot root, std::string_view key, std::string_view name) -> std::optional<std::string> {
      asked.emplace_back(key);
      const auto it = values.find(std::string(key));
      if (root != RegRoot::ClassesRoot || !name.empty() || it == values.end()) return std::nullopt;
      return it->second;
    });
  }
  ~FakeRegistry() { SetRegistryReader(nullptr); }
  std::map<std::string, std::string> values;
  std::vector<std::string> asked;
};

struct ShellRecorder {
  explicit ShellRecorder(bool answer) {
    gui::SetShellSink([this, answer](const QUrl& u) { return opened << u.toString(), answer; });
  }
  ~ShellRecorder() { gui::SetShellSink(nullptr); }
  QStringList opened;
};

const QString kHome = QString::fromLatin1(kHomePage);
}  // namespace

TEST(AboutBoxTest, HandlerCommandLosesItsPlaceholderAndTheBlankBeforeIt) {
  const std::pair<QString, QString> cases[] = {
      {R"("C:\IE\iexplore.exe" -nohome "%1")", R"("C:\IE\iexplore.exe" -nohome http://x/)"},  // five characters
      {R"(iexplore.exe %1)", R"(iexplore.exe http://x/)"},                                    // three characters
      {R"(viewer -new "%1" -raise)", R"(viewer -new -raise http://x/)"},
      {R"(viewer)", R"(viewer http://x/)"},
      {R"("%1")", R"( http://x/)"},  // nothing in front of the placeholder: only the placeholder goes
  };
  for (const auto& [command, expected] : cases)
    EXPECT_EQ(HtmCommandLine(command, "http://x/"), expected) << command.toStdString();
}

TEST(AboutBoxTest, RegistryDefaultIsReadWholeUpToItsFirstNulAndAMissingKeyLeavesTheValue) {
  const std::string longValue(300, 'a');
  FakeRegistry reg({{".htm", std::string("htmlfile\0junk", 13)}, {"long", longValue}});
  std::string value = "kept";
  EXPECT_FALSE(RegQueryDefault(RegRoot::ClassesRoot, ".html", value));
  EXPECT_FALSE(RegReadDefault(RegRoot::LocalMachine, ".htm", value));
  EXPECT_EQ(value, "kept");
  EXPECT_TRUE(RegQueryDefault(RegRoot::ClassesRoot, ".htm", value));
  EXPECT_EQ(value, "htmlfile");
  EXPECT_TRUE(RegQueryDefault(RegRoot::ClassesRoot, "long", value));
  EXPECT_EQ(value, longValue);
}

TEST(AboutBoxTest, OpenUrlFallsBackToTheWebPageHandlerOnlyWhenTheDesktopFails) {
  test::App();
  {
    ShellRecorder shell(true);
    FakeRegistry reg({});
    EXPECT_TRUE(OpenURL(kHome));
    EXPECT_EQ(shell.opened, QStringList{kHome});
    EXPECT_TRUE(reg.asked.empty());
  }
  const std::string cmdKey = "htmlfile\\shell\\open\\command";
  // (registry, result)
  const std::pair<std::map<std::string, std::string>, bool> cases[] = {
      {{}, false},
      {{{".htm", "htmlfile"}}, false},
      {{{".htm", "htmlfile"}, {cmdKey, "/bin/true \"%1\""}}, true},
      {{{".htm", "htmlfile"}, {cmdKey, "/nonexistent/viewer %1"}}, false},
      {{{".htm", "htmlfile"}, {cmdKey, ""}}, false},
  };
  for (const auto& [values, expected] : cases) {
    ShellRecorder shell(false);
    FakeRegistry reg(values);
    EXPECT_EQ(OpenURL(kHome), expected) << values.size();
    EXPECT_EQ(reg.asked.front(), ".htm");
    EXPECT_EQ(reg.asked.back(), values.empty() ? ".htm" : cmdKey);
  }
}

TEST(AboutBoxTest, HomePageButtonAndCreditLinksOpenTheHomePage) {
  test::App();
  FakeRegistry reg({});
  QPointer<AboutBox> box = new AboutBox;
  for (bool desktop : {true, false}) {
    gui::MessageRecorder msgs;
    ShellRecorder shell(desktop);
    box->HomePageButton->click();
    EXPECT_EQ(shell.opened, QStringList{kHome});
    EXPECT_EQ(msgs.Texts(),
              desktop ? QStringList{} : QStringList{QStringLiteral("ホームページの表示に失敗しました。")});
  }
  for (Label3D* credit : {box->DataCreditLink, box->ProjectCreditLink}) {
    ShellRecorder shell(true);
    credit->Click();
    EXPECT_EQ(shell.opened, QStringList{kHome});
  }
  box->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(box.isNull());  // the window frees itself when it closes
}

TEST(AboutBoxTest, ShownModallyWithTheVersionTextAndFreedAfterOkOrEnter) {
  test::App();
  QWidget owner;
  // OK closes the window, and so does Enter, also while the home-page button has the focus: OK is the default.
  for (const bool enter : {false, true}) {
    ShellRecorder shell(true);
    QString shownVersion;
    QPointer<AboutBox> shown;
    QTimer::singleShot(0, [&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<AboutBox*>(w); box && box->isVisible()) shown = box;
      if (!shown) return;
      shownVersion = shown->VersionLabel->Caption();
      if (!enter) return shown->OkButton->click();
      shown->HomePageButton->setFocus();
      test::PressKey(shown->HomePageButton, Qt::Key_Return);
      if (shown->isVisible()) {
        ADD_FAILURE() << "Enter left the window open";
        shown->reject();
      }
    });
    ShowAboutBox(&owner, QStringLiteral("Ver.1.28"));
    EXPECT_EQ(shownVersion, QStringLiteral("Ver.1.28")) << enter;
    EXPECT_TRUE(shown.isNull()) << enter;
    EXPECT_TRUE(shell.opened.isEmpty()) << enter;
  }
}
