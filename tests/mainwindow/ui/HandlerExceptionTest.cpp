// The program's own application object around the main window: an exception that escapes one of the window's
// handlers is shown in an error box, and the window goes on taking events and exchanges.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QMouseEvent>
#include <QToolButton>
#include <cstdlib>
#include <stdexcept>

#include "mainwindow/ui/MainWindow.h"
#include "platform/gui/Application.h"
#include "platform/gui/Dialogs.h"
#include "platform/jvlink/ScriptedJVLink.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"
#include "tools/jvgen/Generator.h"

using namespace corvina;

namespace {

// The program's application object, made once and never destroyed (as tests/support/QtApp.h does for the
// plain one): its event handling is what these tests are about.
gui::Application& App() {
  static int argc = 1;
  static char arg0[] = "test", *argv[] = {arg0, nullptr};
  static auto* app = new gui::Application(argc, argv);
  return *app;
}

// A click as the mouse gives it, delivered through the application object.
void Click(QWidget* w) {
  const QPointF at(w->width() / 2.0, w->height() / 2.0);
  QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &release);
}

}  // namespace

TEST(HandlerExceptionTest, FailingHandlerIsReportedAndTheWindowGoesOn) {
  App();
  ::unsetenv("CORVINA_JVLINK_ROOT");
  test::TempDir home("handler");
  jvgen::WriteDayFiles(jvgen::MakeDay({.date = DayName(2024, 1, 6)}), home.path());
  ScriptedJVLink link;
  int failuresLeft = 2;
  link.onCall = [&](const std::string& op) {
    if ((op == "JVInit" || op == "JVRTOpen") && failuresLeft-- > 0) throw std::runtime_error("通信が切れました");
  };
  gui::MessageRecorder rec;
  {
    MainWindow form(home.path(), nullptr, &link);
    // The first showing's JVInit runs from the event loop.
    form.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(rec.Messages().size(), 1u);
    EXPECT_EQ(rec.Messages()[0].kind, gui::MsgKind::Error);
    EXPECT_EQ(rec.Messages()[0].text, "通信が切れました");
    EXPECT_TRUE(form.isVisible());

    test::ChooseItem(form.DateCombo, 0);
    ASSERT_EQ(form.RaceList->count(), 36);
    rec.Clear();
    Click(form.ResultsButton);
    ASSERT_EQ(rec.Messages().size(), 1u) << "the results button's exchange failed";
    EXPECT_EQ(rec.Messages()[0].text, "通信が切れました");
    EXPECT_FALSE(form.Reader().Gate().Busy()) << "the failed exchange does not keep the next one out";

    // The next click runs its exchange as usual.
    rec.Clear();
    const int opens = link.CountCalls("JVRTOpen");
    Click(form.ResultsButton);
    EXPECT_EQ(link.CountCalls("JVRTOpen"), opens + 1);
    EXPECT_FALSE(link.IsOpen());
    for (const auto& m : rec.Messages()) EXPECT_NE(m.kind, gui::MsgKind::Error) << m.text.toStdString();
    form.close();
  }
  QCoreApplication::processEvents();
}
