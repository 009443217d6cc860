// The print preview: unit conversion, the setters' bounds, recording pages, printing a range, and what happens
// without a printer.
#include <QImage>
#include <QPixmap>
#include <algorithm>
#include <tuple>

#include "tests/support/PrintingFixtures.h"

namespace corvina::test {
namespace {

using Event = gui::RecordingPrinter::Event;

class PrintPreviewTest : public PrintingTest {
 protected:
  PrintPreviewTest() { preview.SetScreenDpi(96); }

  // A document of `pages` pages, page k holding the text "k".
  void Record(int pages) {
    preview.BeginDoc();
    for (int k = 1; k <= pages; ++k) {
      if (k > 1) preview.NewPage();
      preview.TextOut(100, 100, QString::number(k));
    }
    preview.EndDoc();
  }
  // The texts of the pages of the printer's last job.
  std::vector<QString> PrintedPages() const {
    std::vector<QString> out;
    for (const auto& page : const_cast<PrintPreviewTest*>(this)->printer->Pages())
      out.push_back(page.empty() ? QString() : page.back().text);
    return out;
  }

  PrintPreview preview;
};

TEST_F(PrintPreviewTest, ConversionsRoundToNearestWithHalvesAwayFromZero) {
  preview.BeginDoc();
  EXPECT_EQ(preview.XToDevice(100), 236);  // 236.2
  EXPECT_EQ(preview.YToDevice(-100), -236);
  EXPECT_EQ(preview.SizeToDevice(1), 1);  // 0.625, and never below 1
  EXPECT_EQ(preview.SizeToDevice(0), 1);
  EXPECT_EQ(preview.SizeToDevice(10), 6);   // 6.25
  EXPECT_EQ(preview.SizeToDevice(20), 13);  // 12.5: a half goes up
  preview.MarginLeft = 27;                  // (100 + 27) * 600 / 254 = 300 exactly
  EXPECT_EQ(preview.XToDevice(100), 300);
  preview.MapMode = PreviewMapMode::Millimetres;
  preview.MarginLeft = 0;
  EXPECT_EQ(preview.XToDevice(10), 236);  // 10 mm
  EXPECT_EQ(preview.XToDevice(127), 3000);
}

TEST_F(PrintPreviewTest, SettersTakeOnlyValuesInTheirRanges) {
  Record(3);
  struct Case {
    int value;
    int zoom;
  } zooms[] = {{24, 25}, {201, 25}, {200, 200}, {25, 25}};
  for (const auto& c : zooms) {
    preview.SetZoomScale(c.value);
    EXPECT_EQ(preview.ZoomScale(), c.zoom) << c.value;
  }
  preview.SetPageNo(0);
  EXPECT_EQ(preview.PageNo(), 1);
  preview.SetPageNo(4);
  EXPECT_EQ(preview.PageNo(), 1);
  preview.SetPageNo(3);
  EXPECT_EQ(preview.PageNo(), 3);
  preview.SetPrintFrom(4);
  EXPECT_EQ(preview.PrintFrom(), 1);
  preview.SetPrintTo(0);
  EXPECT_EQ(preview.PrintTo(), 9999);
  preview.SetPrintTo(10000);
  EXPECT_EQ(preview.PrintTo(), 10000);
}

TEST_F(PrintPreviewTest, PrintOutputsTheRangeAsOneJobStoppingAtTheLastPage) {
  Record(3);
  preview.Title = QStringLiteral("job");
  preview.SetPrintTo(10000);
  preview.Print();
  EXPECT_EQ(PrintedPages(), (std::vector<QString>{"1", "2", "3"}));
  EXPECT_EQ(printer->JobTitles(), QStringList{"job"});

  // A range that ends before it begins still prints its first page.
  preview.SetPrintFrom(3);
  preview.SetPrintTo(2);
  preview.Print();
  EXPECT_EQ(PrintedPages(), std::vector<QString>{"3"});
  EXPECT_EQ(printer->JobTitles().size(), 2);
}

TEST_F(PrintPreviewTest, BeginDocReplacesTheDocumentAndDrawingAfterEndDocIsKeptNowhere) {
  Record(3);
  preview.SetPageNo(2);
  preview.SetPrintFrom(2);
  preview.SetPrintTo(2);
  Record(1);
  EXPECT_EQ(preview.PageCount(), 1);
  EXPECT_EQ(preview.PageNo(), 1);
  EXPECT_EQ(preview.PrintFrom(), 1);
  EXPECT_EQ(preview.PrintTo(), 9999);
  preview.TextOut(0, 0, QStringLiteral("late"));
  preview.PageCanvas().SetFontSize(30);
  EXPECT_EQ(preview.Page(1).ops.size(), 1u);
  EXPECT_EQ(preview.Page(1).size, printer->PageSize());
}

TEST_F(PrintPreviewTest, EachPageStartsWithAFreshCanvasAtThePrintersFontResolution) {
  preview.BeginDoc();
  preview.PageCanvas().SetPenWidth(12);
  preview.NewPage();
  EXPECT_EQ(preview.PageCanvas().PenWidth(), 1);
  EXPECT_EQ(preview.PageCanvas().FontResolution(), 600);
}

TEST_F(PrintPreviewTest, RectangleFillsWithTheBrushUnlessClearAndReplaysWithPenAndFont) {
  preview.BeginDoc();
  gui::Canvas& c = preview.PageCanvas();
  c.SetPenWidth(preview.SizeToDevice(20));
  c.SetBrushColor(Qt::black);
  preview.Rectangle(100, 160, 180, 240);
  c.SetBrushClear(true);
  preview.Rectangle(0, 0, 254, 254);
  QFont f(QStringLiteral("ＭＳ ゴシック"));
  f.setPointSize(9);
  f.setUnderline(true);
  c.SetFont(f);
  preview.TextOut(0, 0, QStringLiteral("買い目"));
  preview.MoveTo(10, 20);
  preview.LineTo(110, 20);
  c.TextRect(QRect(5, 6, 70, 80), QStringLiteral("枠"), Qt::AlignRight);
  c.TextOutRotated(30, 40, QStringLiteral("縦"), 90);
  preview.EndDoc();
  const auto& ops = preview.Page(1).ops;
  ASSERT_EQ(ops.size(), 7u);
  EXPECT_EQ(ops[0].kind, PreviewOp::Kind::Fill);
  EXPECT_EQ(ops[0].rect, QRect(QPoint(236, 378), QPoint(424, 566)));
  EXPECT_EQ(ops[1].kind, PreviewOp::Kind::Frame);
  EXPECT_EQ(ops[2].kind, PreviewOp::Kind::Frame);  // the clear brush fills nothing
  EXPECT_EQ(ops[2].rect, QRect(0, 0, 600, 600));

  preview.Print();
  const auto& printed = printer->Pages().at(0);
  ASSERT_EQ(printed.size(), 7u);
  EXPECT_EQ(printed[1].penWidth, 13);
  EXPECT_EQ(printed[3].text, QStringLiteral("買い目"));
  EXPECT_EQ(printed[3].fontPoints, 9);
  EXPECT_EQ(printed[4].kind, gui::CanvasOp::Kind::Line);
  EXPECT_EQ((std::pair{printed[4].from, printed[4].to}), (std::pair{ops[4].from, ops[4].to}));
  EXPECT_EQ(printed[5].kind, gui::CanvasOp::Kind::TextRect);
  EXPECT_EQ((std::tuple{printed[5].rect, printed[5].text, printed[5].alignment}),
            (std::tuple{QRect(5, 6, 70, 80), QStringLiteral("枠"), static_cast<int>(Qt::AlignRight)}));
  EXPECT_EQ((std::tuple{printed[6].from, printed[6].text, printed[6].degrees}),
            (std::tuple{QPoint(30, 40), QStringLiteral("縦"), 90}));
}

TEST_F(PrintPreviewTest, NoPageMeansNoJob) {
  preview.Print();
  EXPECT_TRUE(printer->Events().empty());
}

TEST_F(PrintPreviewTest, APrinterFailureAbortsTheJobAndReachesTheCaller) {
  Record(3);
  printer->FailNewPage(2);
  EXPECT_THROW(preview.Print(), gui::PrinterError);
  EXPECT_EQ(printer->Events().back(), Event::Abort);
  EXPECT_FALSE(printer->Printing());
}

TEST_F(PrintPreviewTest, WithoutAPrinterOnlyTheDocumentAndPrinterCallsRaise) {
  Record(2);
  printer->SetInstalled(false);
  for (auto call :
       std::initializer_list<std::function<void()>>{[&] { preview.BeginDoc(); }, [&] { preview.NewPage(); },
                                                    [&] { preview.Print(); }, [&] { preview.SetPaper(9, 1); }}) {
    try {
      call();
      ADD_FAILURE() << "no error";
    } catch (const PreviewPrinterError& e) {
      EXPECT_STREQ(e.what(), gui::kNoPrinterMessage);
    }
  }
  EXPECT_EQ(preview.PageCount(), 2);
  EXPECT_EQ(printer->JobTitles().size(), 0);
  // Painting shows an empty sheet instead of raising out of the paint event.
  preview.resize(300, 300);
  preview.SetZoomScale(100);
  const QImage shot = preview.grab().toImage();
  EXPECT_FALSE(shot.isNull());
  const auto& g = preview.SheetGeometry();  // an A4 sheet, 21 x 29.7 cm at 96 dpi
  EXPECT_EQ(QSize(g.physWidth, g.physHeight), QSize(794, 1123));
}

TEST_F(PrintPreviewTest, ThePreviewShowsTheSheetAtItsZoomAndThePageInsideThePrintableArea) {
  preview.BeginDoc();
  gui::Canvas& c = preview.PageCanvas();
  c.SetBrushColor(Qt::black);
  preview.Rectangle(0, 0, 1000, 1000);  // 10 cm square of ink at the printable area's corner
  preview.NewPage();
  preview.PageCanvas().SetBrushColor(Qt::black);
  preview.Rectangle(0, 1500, 1000, 2500);  // the second page's ink lies lower, 15 cm down
  preview.EndDoc();
  preview.SetZoomScale(50);
  const auto& g = preview.SheetGeometry();
  // The sheet of 4961 x 7016 printer pixels and its printable area of 4761 x 6816 at 100, 100, at 96 dpi and
  // half size; the preview takes the sheet's size when its zoom changes.
  EXPECT_EQ((std::vector<int>{g.physWidth, g.physHeight, g.offsetX, g.offsetY, g.width, g.height}),
            (std::vector<int>{397, 561, 8, 8, 381, 545}));
  EXPECT_EQ(preview.size(), QSize(g.physWidth + 20, g.physHeight + 20));
  QImage shot = preview.grab().toImage();
  const int inkX = 10 + g.offsetX + 50, inkY = 10 + g.offsetY + 50;  // 10 cm at 96 dpi and half size is 189
  EXPECT_EQ(QColor(shot.pixel(inkX, inkY)), QColor(Qt::black));
  EXPECT_EQ(QColor(shot.pixel(10 + g.offsetX + 250, inkY)), QColor(Qt::white));
  EXPECT_EQ(QColor(shot.pixel(inkX, 10 + g.offsetY + 250)), QColor(Qt::white));
  // The printable area's dotted frame, along its top and left edges where no ink lies.
  int dots = 0;
  for (int k = 250; k < std::min(g.width, g.height); ++k)
    dots += int(QColor(shot.pixel(10 + g.offsetX + k, 10 + g.offsetY)) != QColor(Qt::white)) +
            int(QColor(shot.pixel(10 + g.offsetX, 10 + g.offsetY + k)) != QColor(Qt::white));
  EXPECT_GT(dots, (std::min(g.width, g.height) - 250) / 2);
  // The page chosen is the page shown.
  preview.SetPageNo(2);
  shot = preview.grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(inkX, inkY)), QColor(Qt::white));
  EXPECT_EQ(QColor(shot.pixel(inkX, 10 + g.offsetY + 300)), QColor(Qt::black));
}

}  // namespace
}  // namespace corvina::test
