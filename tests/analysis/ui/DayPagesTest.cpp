// The race pages of a whole generated day, loaded as the main window loads it. With CORVINA_PRINT_PDF naming a
// file the pages are printed there too, for a person to look at.
#include <cstdio>
#include <filesystem>

#include "analysis/Engine.h"
#include "analysis/ui/BatchPrintWindow.h"
#include "analysis/ui/RacePages.h"
#include "platform/DayName.h"
#include "platform/gui/Fonts.h"
#include "racedata/DayLoad.h"
#include "tests/support/PrintingFixtures.h"

namespace corvina::test {
namespace {

namespace fs = std::filesystem;

fs::path Jvgen() {
  const char* dir = std::getenv("CORVINA_TOOLS_DIR");
  return fs::path(dir ? dir : CORVINA_BINARY_DIR "/tools") / "jvgen" / "jvgen";
}

TEST(DayPages, EveryRaceOfAGeneratedDayGetsAFullPageThatStaysOnTheSheet) {
  if (!fs::exists(Jvgen())) GTEST_SKIP() << "jvgen not built";
  App();
  gui::InstallFontSubstitutions();
  TempDir home("daypages");
  const std::string command =
      Jvgen().string() + " --layout dayfiles --out '" + home.path().string() + "' --date 20240106 >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  auto day = std::make_unique<DayModel>();
  day->AppDir = home.path();
  const DayLoadResult loaded =
      LoadDay(*day, *DayName::FromDateKey("20240106"), analysis::MakeDayLoadEngine(analysis::EngineOptions{true}));
  ASSERT_EQ(loaded.status, DayLoadStatus::Loaded) << loaded.message;
  const int races = static_cast<int>(loaded.raceList.size());

  const bool toPdf = !qEnvironmentVariable("CORVINA_PRINT_PDF").isEmpty();
  std::unique_ptr<gui::PrinterOverride> recording;
  if (!toPdf) recording = std::make_unique<gui::PrinterOverride>();
  PrintPreview preview;
  pages::DrawRacePages(preview, *day, races, true);
  ASSERT_EQ(preview.PageCount(), races);
  const QSize sheet = gui::Printer().PageSize();
  int withTickets = 0;
  for (int p = 1; p <= races; ++p) {
    const PreviewPage& page = preview.Page(p);
    EXPECT_NE(FindText(page, QStringLiteral("馬名")), nullptr) << p;
    if (FindText(page, QStringLiteral("←馬連的中")) || FindTextAt(page, 110, 2090)) ++withTickets;
    for (const auto& op : page.ops) {
      const QRect r = op.kind == PreviewOp::Kind::Line   ? QRect(op.from, op.to).normalized()
                      : op.kind == PreviewOp::Kind::Text ? QRect(op.from, QSize(1, 1))
                                                         : op.rect;
      EXPECT_TRUE(QRect(QPoint(0, 0), sheet).contains(r)) << p << " " << op.text.toStdString();
    }
  }
  EXPECT_GT(withTickets, 0);
  if (toPdf) {
    preview.Print();
    // And the batch print window as it shows them.
    ::setenv("CORVINA_HOME", home.path().c_str(), 1);
    BatchPrintWindow form(*day);
    form.BuildPages(*day, races, true);
    form.resize(900, 700);
    form.show();
    App().processEvents();
    const QString shot = qEnvironmentVariable("CORVINA_PRINT_PDF") + ".png";
    form.grab().save(shot);
    form.hide();
    ::unsetenv("CORVINA_HOME");
    std::fprintf(stderr, "pages printed to %s, window in %s\n", qPrintable(qEnvironmentVariable("CORVINA_PRINT_PDF")),
                 qPrintable(shot));
  }
}

}  // namespace
}  // namespace corvina::test
