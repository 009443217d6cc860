#pragma once
// Shared by the printing tests: the recording printer and settings folder of one test, page lookups in the
// preview's printer pixels, and a race day filled in memory.
#include <gtest/gtest.h>

#include <QString>
#include <cstdlib>
#include <memory>

#include "components/ui/PrintPreview.h"
#include "platform/Cp932.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Printer.h"
#include "racedata/DayModel.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"

namespace corvina::test {

// 0.1 mm page units in printer pixels of the 600-dpi recording printer.
inline int Dev(int units) { return (units * 600 * 2 + 254) / (2 * 254); }

// The text drawn exactly as `text` on `page`, or nullptr.
inline const PreviewOp* FindText(const PreviewPage& page, const QString& text) {
  for (const auto& op : page.ops)
    if (op.kind == PreviewOp::Kind::Text && op.text == text) return &op;
  return nullptr;
}
inline const PreviewOp* FindTextAt(const PreviewPage& page, int x, int y) {
  for (const auto& op : page.ops)
    if (op.kind == PreviewOp::Kind::Text && op.from == QPoint(Dev(x), Dev(y))) return &op;
  return nullptr;
}
inline const PreviewOp* FindLine(const PreviewPage& page, int x1, int y1, int x2, int y2) {
  for (const auto& op : page.ops)
    if (op.kind == PreviewOp::Kind::Line && op.from == QPoint(Dev(x1), Dev(y1)) && op.to == QPoint(Dev(x2), Dev(y2)))
      return &op;
  return nullptr;
}

// A test with a recording printer, recorded message boxes and its own program folder.
class PrintingTest : public ::testing::Test {
 protected:
  PrintingTest() {
    App();
    ::setenv("CORVINA_HOME", home.path().c_str(), 1);
  }
  ~PrintingTest() override { ::unsetenv("CORVINA_HOME"); }

  TempDir home{"printing"};
  gui::PrinterOverride printer;
  gui::MessageRecorder messages;
};

// A race of 18 runners (frames 1,1,2,2,...,8,8,8,8 as the draw gives them) in `slot`, with data.
inline void AddRace(DayModel& day, int slot, int race, int runners = 12, const std::string& venue = "06") {
  RaceInfo& info = day.Races[static_cast<size_t>(slot)];
  RaceCalc& calc = day.Calcs[static_cast<size_t>(slot)];
  info.HasData = 1;
  info.RaceKey = "20240106" + venue + "0102" + (race < 10 ? "0" : "") + std::to_string(race);
  info.RaceName = ToCp932("テストステークス");
  info.EntryCount = (runners < 10 ? "0" : "") + std::to_string(runners);
  info.PostTime = "1525";
  info.OddsAnnounce1 = "1010";
  info.OddsAnnounce2 = "    ";
  for (int h = 0; h < runners && h < kHorses; ++h) {
    const size_t i = static_cast<size_t>(h);
    info.UmaBan[i] = (h + 1 < 10 ? "0" : "") + std::to_string(h + 1);
    info.WakuBan[i] = std::to_string(1 + h * 8 / runners);
    info.HorseName[i] = ToCp932("テストホース");
    info.SexCode[i] = "1";
    info.KettoNum[i] = "2020100001";
    info.Futan[i] = "550";
    info.WinOdds1[i] = 2.0 + h;
  }
  calc.Over8Runners = runners > 8 ? 1 : 0;
  calc.CalcHasData = 1;
}

inline std::unique_ptr<DayModel> NewDay() { return std::make_unique<DayModel>(); }

}  // namespace corvina::test
