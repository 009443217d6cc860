// The program speaks Japanese on a system whose locale is another: calendars and date boxes made after the
// start-up call name months and days in Japanese.
#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QDateEdit>
#include <QLocale>
#include <QTableView>
#include <QToolButton>

#include "platform/gui/Application.h"
#include "tests/support/QtApp.h"

using namespace corvina;

TEST(SpeakJapaneseTest, CalendarsAndDateBoxesReadJapaneseUnderAnotherSystemLocale) {
  // A fresh Debian's locale. Qt reads the system's locale once, at its first use: set it before the application.
  qputenv("LC_ALL", "C.UTF-8");
  qputenv("LANG", "C.UTF-8");
  qunsetenv("LANGUAGE");
  test::App();
  ASSERT_NE(QLocale::system().language(), QLocale::Japanese);
  EXPECT_TRUE(gui::SpeakJapanese()) << "Qt's Japanese translations (qt6-translations-l10n)";
  EXPECT_TRUE(gui::SpeakJapanese()) << "a second call keeps the translations";

  QCalendarWidget calendar;
  calendar.setSelectedDate(QDate(2026, 12, 7));
  auto* month = calendar.findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
  ASSERT_NE(month, nullptr);
  EXPECT_EQ(month->text().toStdString(), "12月");
  auto* view = calendar.findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
  ASSERT_NE(view, nullptr);
  QStringList header;
  for (int c = 0; c < view->model()->columnCount(); ++c) header << view->model()->index(0, c).data().toString();
  // The week starts on Sunday in Japan.
  EXPECT_EQ(header.mid(header.size() - 7).join(' ').toStdString(), "日 月 火 水 木 金 土");

  QDateEdit edit(QDate(2026, 12, 7));
  edit.setDisplayFormat(QStringLiteral("MMMM d日 dddd"));
  EXPECT_EQ(edit.text().toStdString(), "12月 7日 月曜日");
}
