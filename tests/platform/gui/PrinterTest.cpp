// The program-wide printer: the recording sheet's metrics and paper, a job's course when something fails, font
// sizes true on paper, and the PDF file that stands in for a printer.
#include <gtest/gtest.h>

#include <QFile>
#include <cstdlib>
#include <stdexcept>

#include "platform/gui/Dialogs.h"
#include "platform/gui/Printer.h"
#include "tests/support/QtApp.h"
#include "tests/support/TempDir.h"

using namespace corvina::gui;
using Event = RecordingPrinter::Event;

TEST(RecordingPrinterTest, PaperAndOrientationGiveTheSheetInPrinterPixels) {
  RecordingPrinter p;
  struct Case {
    int paper, orientation;
    QSize physical;
  };
  const Case cases[] = {
      {kPaperA4, kPortrait, {4961, 7016}},                                  // 210 x 297 mm at 600 dpi
      {kPaperA4, kLandscape, {7016, 4961}}, {13, kPortrait, {4299, 6071}},  // JIS B5, 182 x 257 mm
      {999, kPortrait, {4299, 6071}},                                       // an unknown code keeps the paper
      {kPaperA4, 7, {4961, 7016}},  // an unknown orientation keeps the orientation
  };
  for (const Case& c : cases) {
    p.SetPaper(c.paper, c.orientation);
    EXPECT_EQ(p.PhysicalSize(), c.physical) << c.paper << "/" << c.orientation;
    EXPECT_EQ(p.PageSize(), c.physical - QSize(200, 200));
    EXPECT_EQ(p.PhysicalOffset(), QPoint(100, 100));
  }
  EXPECT_EQ(p.PaperSize(), kPaperA4);
  EXPECT_EQ(p.Orientation(), kPortrait);
  // The paper codes the program names, in millimetres; any other code has no size.
  const std::pair<int, QSizeF> papers[] = {{1, {215.9, 279.4}}, {8, {297, 420}},  {9, {210, 297}},
                                           {11, {148, 210}},    {12, {257, 364}}, {13, {182, 257}}};
  for (const auto& [code, mm] : papers) {
    EXPECT_NEAR(PaperMillimetres(code).width(), mm.width(), 0.1) << code;
    EXPECT_NEAR(PaperMillimetres(code).height(), mm.height(), 0.1) << code;
  }
  for (int code : {0, 2, 10, 256}) EXPECT_TRUE(PaperMillimetres(code).isEmpty()) << code;
}

TEST(RecordingPrinterTest, AJobIsBegunOnceAndPagesOnlyInsideIt) {
  RecordingPrinter p;
  auto raised = [](const std::function<void()>& step) {
    try {
      step();
    } catch (const PrinterError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(raised([&] { p.NewPage(); }), "印刷が開始されていません");
  p.EndDoc();  // nothing begun: nothing happens
  p.Abort();
  EXPECT_TRUE(p.Events().empty());
  p.SetTitle("馬券");
  p.BeginDoc();
  EXPECT_EQ(raised([&] { p.BeginDoc(); }), "印刷中です");
  EXPECT_EQ(p.PageCanvas().FontResolution(), 600);
  p.FailNewPage(2);
  p.NewPage();
  EXPECT_EQ(raised([&] { p.NewPage(); }), "新しいページを開始できませんでした");
  p.EndDoc();
  EXPECT_EQ(p.Events(), (std::vector<Event>{Event::BeginDoc, Event::NewPage, Event::EndDoc}));
  EXPECT_EQ(p.Pages().size(), 2u);
  EXPECT_EQ(p.JobTitles(), QStringList{"馬券"});
  EXPECT_EQ(raised([&] { p.PageCanvas(); }), "印刷が開始されていません");
  EXPECT_TRUE(p.SetupDialog(nullptr));
  p.SetSetupAnswer(false);
  EXPECT_FALSE(p.SetupDialog(nullptr));
}

TEST(RecordingPrinterTest, TheUserIsToldWhyPrintingFailed) {
  corvina::test::App();
  MessageRecorder rec;
  ShowPrinterError(nullptr, kNoPrinterMessage);
  ShowPrinterError(nullptr, "新しいページを開始できませんでした");
  ASSERT_EQ(rec.Messages().size(), 2u);
  EXPECT_EQ(rec.Messages()[0].kind, MsgKind::Error);
  EXPECT_EQ(rec.Texts(), QStringList({"プリンタが登録されていません",
                                      "印刷できませんでした。\n新しいページを開始できませんでした"}));
}

TEST(RecordingPrinterTest, WithoutPrinterEveryJobStepAndPaperChangeRaises) {
  RecordingPrinter p;
  p.SetInstalled(false);
  const std::function<void()> steps[] = {[&] { p.BeginDoc(); }, [&] { p.NewPage(); },
                                         [&] { p.SetPaper(kPaperA4, kLandscape); }, [&] { p.CheckPrinter(); }};
  for (const auto& step : steps) {
    try {
      step();
      ADD_FAILURE() << "no error";
    } catch (const PrinterError& e) {
      EXPECT_STREQ(e.what(), kNoPrinterMessage);
    }
  }
  EXPECT_TRUE(p.Events().empty());
  EXPECT_EQ(p.Orientation(), kPortrait);
  EXPECT_THROW(p.PageCanvas(), PrinterError);
}

TEST(PrintJobTest, EndsAJobThatDrewAndAbortsOneThatFailed) {
  corvina::test::App();
  PrinterOverride printer;
  PrintJob("one", [](PrinterDevice& p) {
    p.PageCanvas().TextOut(0, 0, "a");
    p.NewPage();
    p.PageCanvas().TextOut(0, 0, "b");
  });
  EXPECT_EQ(printer->Events(), (std::vector<Event>{Event::BeginDoc, Event::NewPage, Event::EndDoc}));
  ASSERT_EQ(printer->Pages().size(), 2u);
  EXPECT_EQ(printer->Pages()[1][0].text, "b");
  EXPECT_EQ(printer->JobTitles(), QStringList{"one"});

  // A drawing error and a refused new page both abort the job and reach the caller.
  printer->FailNewPage(1);
  EXPECT_THROW(PrintJob("two", [](PrinterDevice& p) { p.NewPage(); }), PrinterError);
  EXPECT_THROW(PrintJob("three", [](PrinterDevice&) { throw std::runtime_error("x"); }), std::runtime_error);
  const std::vector<Event> tail(printer->Events().end() - 4, printer->Events().end());
  EXPECT_EQ(tail, (std::vector<Event>{Event::BeginDoc, Event::Abort, Event::BeginDoc, Event::Abort}));
  EXPECT_FALSE(printer->Printing());
}

TEST(PrintJobTest, PointSizesAreTrueOnPaper) {
  corvina::test::App();
  PrinterOverride printer;
  PrintJob("", [](PrinterDevice& p) {
    Canvas& c = p.PageCanvas();
    c.SetFont(QFont("Noto Sans CJK JP", 9));
    EXPECT_EQ(c.EmHeight(), 75);  // 9 pt = 1/8 inch
    c.SetFontSize(36);
    EXPECT_EQ(c.EmHeight(), 300);
    EXPECT_GT(c.TextExtent("国国").width(), 450);  // two ideographs of about an em each, not screen pixels
  });
}

TEST(PdfPrinterTest, TheSystemPrinterCanBeAPdfFile) {
  corvina::test::App();
  corvina::test::TempDir dir("pdf");
  const std::string file = (dir / "out.pdf").string();
  auto saved = SetPrinter(nullptr);
  ::setenv("CORVINA_PRINT_PDF", file.c_str(), 1);
  PrinterDevice& p = Printer();
  ::unsetenv("CORVINA_PRINT_PDF");
  EXPECT_TRUE(p.Installed());
  EXPECT_EQ(p.DpiX(), 600);
  EXPECT_EQ(p.PaperSize(), kPaperA4);
  EXPECT_NEAR(p.PhysicalSize().width(), 4961, 5);  // Qt measures A4 in whole points
  EXPECT_NEAR(p.PhysicalOffset().x(), 100, 2);
  p.SetPaper(kPaperA4, kLandscape);
  EXPECT_EQ(p.Orientation(), kLandscape);
  EXPECT_GT(p.PhysicalSize().width(), p.PhysicalSize().height());
  p.SetPaper(13, kPortrait);  // JIS B5
  EXPECT_EQ(p.PaperSize(), 13);
  EXPECT_EQ(p.Orientation(), kPortrait);
  EXPECT_NEAR(p.PhysicalSize().width(), 4299, 5);
  EXPECT_NEAR(p.PhysicalSize().height(), 6071, 5);
  p.SetPaper(999, 7);  // unknown codes change nothing
  EXPECT_EQ(p.PaperSize(), 13);
  EXPECT_EQ(p.Orientation(), kPortrait);
  p.SetPaper(kPaperA4, kPortrait);
  EXPECT_THROW(p.NewPage(), PrinterError);
  EXPECT_THROW(p.PageCanvas(), PrinterError);
  p.EndDoc();
  p.Abort();
  // Every job of the run keeps a file of its own.
  for (const char* title : {"pdf", "second"}) {
    PrintJob(title, [](PrinterDevice& pr) {
      EXPECT_THROW(pr.BeginDoc(), PrinterError);
      EXPECT_EQ(pr.PageCanvas().FontResolution(), 600);
      pr.PageCanvas().SetFont(QFont(QStringLiteral("ＭＳ ゴシック"), 9));
      pr.PageCanvas().TextOut(100, 100, "Page 1");
      pr.NewPage();
      pr.PageCanvas().FrameRect(QRect(100, 100, 500, 500));
    });
  }
  EXPECT_EQ(p.Title(), "second");
  EXPECT_FALSE(p.Printing());
  for (const char* name : {"out.pdf", "out-2.pdf"}) {
    QFile out(QString::fromStdString((dir / name).string()));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly)) << name;
    const QByteArray pdf = out.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_EQ(pdf.count("/Type /Page") - pdf.count("/Type /Pages"), 2) << "two pages";
    EXPECT_TRUE(pdf.contains("IPAGothic")) << "a printed page takes the printing face, so its text can be searched";
  }
  EXPECT_FALSE(QFile::exists(QString::fromStdString((dir / "out-3.pdf").string())));
  // A failed job is aborted and the next one prints.
  EXPECT_THROW(PrintJob("broken", [](PrinterDevice&) { throw PrinterError("x"); }), PrinterError);
  EXPECT_FALSE(p.Printing());
  EXPECT_NO_THROW(PrintJob("again", [](PrinterDevice& pr) { pr.PageCanvas().TextOut(0, 0, "a"); }));
  SetPrinter(std::move(saved));
}
