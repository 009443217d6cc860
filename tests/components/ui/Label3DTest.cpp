// The 3-D label: angle normalisation, the order and offsets of the painting passes, frames, and links.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <functional>
#include <tuple>

#include "components/ui/Label3D.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Shell.h"
#include "tests/support/QtApp.h"

using namespace corvina;
using gui::CanvasOp;

namespace {
// The text passes of one painting of the label.
std::vector<CanvasOp> TextOps(Label3D& label) {
  gui::RecordingCanvas c;
  label.PaintTo(c);
  std::vector<CanvasOp> out;
  for (const auto& op : c.Ops())
    if (op.kind == CanvasOp::Kind::TextRect || op.kind == CanvasOp::Kind::Text) out.push_back(op);
  return out;
}
}  // namespace

TEST(Label3DTest, EscapementIsKeptWithinAFullTurn) {
  test::App();
  Label3D label;
  const std::pair<int, int> cases[] = {{-30, 330}, {725, 5}, {-400, 320}, {360, 360}, {-360, 0}, {0, 0}};
  for (auto [in, out] : cases) {
    label.SetEscapement(in);
    EXPECT_EQ(label.Escapement(), out) << in;
  }
}

// An auto-sized label takes the size its caption needs, after each change of caption, font or turn; one that is
// not auto-sized keeps its size.
TEST(Label3DTest, AnAutoSizedLabelFollowsItsCaptionFontAndTurn) {
  test::App();
  Label3D label;
  label.resize(7, 7);
  label.SetAutoSize(true);
  label.SetCaption(QStringLiteral("abc"));
  const QSize small = label.size();
  EXPECT_EQ(small, label.sizeHint());
  label.SetCaption(QStringLiteral("abcabcabc"));
  EXPECT_GT(label.width(), small.width());
  const QSize wide = label.size();
  label.SetFontSize(label.font().pointSize() * 2);
  EXPECT_GT(label.width(), wide.width());
  EXPECT_GT(label.height(), wide.height());
  label.SetFontSize(label.font().pointSize() / 2);
  EXPECT_EQ(label.size(), wide);
  QFont larger = label.font();  // a font set from outside counts as well
  larger.setPointSize(larger.pointSize() * 2);
  label.setFont(larger);
  EXPECT_GT(label.width(), wide.width());
  label.SetFontSize(label.font().pointSize() / 2);
  label.SetEscapement(90);
  EXPECT_GT(label.height(), label.width()) << "turned upright";
  label.SetEscapement(0);
  label.SetAutoSize(false);
  label.SetCaption(QStringLiteral("a"));
  EXPECT_EQ(label.size(), wide);
}

// Each effect's passes, at their offsets and in their colours, before the main pass; a new label is raised.
TEST(Label3DTest, EffectPassesComeBeforeTheMainPassAtTheirOffsetsAndColours) {
  test::App();
  Label3D label("ｵｯｽﾞ");
  label.resize(80, 20);
  label.SetFontColor(Qt::blue);
  const QString dark = label.palette().color(QPalette::Active, QPalette::Dark).name();
  const QString light = label.palette().color(QPalette::Active, QPalette::Light).name();
  ASSERT_NE(dark, light);
  auto passes = [&] {
    QStringList out;
    for (const auto& op : TextOps(label))  // every pass without a background box, so none covers another
      out << QStringLiteral("%1,%2 %3%4")
                 .arg(op.rect.left())
                 .arg(op.rect.top())
                 .arg(op.fontColor.name())
                 .arg(op.brushClear ? "" : " boxed");
    return out;
  };
  const QString main = "0,0 #0000ff";
  EXPECT_EQ(passes(), (QStringList{"1,1 " + dark, main}));
  label.SetShift(3);
  const std::pair<TextEffect, QStringList> cases[] = {
      {TextEffect::None, {main}},
      {TextEffect::Recessed, {"1,1 " + light, main}},
      {TextEffect::LightRaised, {"1,1 " + dark, "-1,-1 " + light, main}},
      {TextEffect::HeavyRecessed, {"1,1 " + light, "-1,-1 " + dark, main}},
      {TextEffect::Shadow, {"3,3 " + dark, main}},
      {TextEffect::Raised, {"1,1 " + dark, main}},
  };
  for (const auto& [effect, want] : cases) {
    label.SetTextStyle(effect);
    EXPECT_EQ(passes(), want) << static_cast<int>(effect);
  }
}

TEST(Label3DTest, DisabledLabelDrawsItsMainPassInGreyOverTheSameEffect) {
  test::App();
  Label3D label("A");
  label.resize(40, 20);
  label.SetFontColor(Qt::red);
  const auto on = TextOps(label);
  label.setEnabled(false);
  const auto off = TextOps(label);
  ASSERT_EQ(off.size(), 2u);
  EXPECT_EQ(off[0].fontColor, on[0].fontColor);
  EXPECT_NE(off[1].fontColor, QColor(Qt::red));
  EXPECT_EQ(off[1].fontColor, label.palette().color(QPalette::Disabled, QPalette::Text));
}

// The background in the label's colour unless transparent, and a frame of each border type.
TEST(Label3DTest, BackgroundUnlessTransparentAndFramesFollowTheBorderType) {
  test::App();
  Label3D label("A");
  label.resize(40, 20);
  label.SetColor(Qt::yellow);
  auto shapes = [&] {
    gui::RecordingCanvas c;
    label.PaintTo(c);
    QStringList out;
    for (const auto& op : c.Ops()) {
      if (op.kind == CanvasOp::Kind::Fill) out << "fill " + op.brush.name();
      if (op.kind == CanvasOp::Kind::Frame) out << "frame " + op.pen.name();
      if (op.kind == CanvasOp::Kind::Line)
        out << QStringLiteral("%1,%2-%3,%4 %5")
                   .arg(op.from.x())
                   .arg(op.from.y())
                   .arg(op.to.x())
                   .arg(op.to.y())
                   .arg(op.pen.name());
    }
    return out;
  };
  EXPECT_EQ(shapes(), QStringList{"fill #ffff00"});
  label.SetBorder(true);
  EXPECT_EQ(shapes(), (QStringList{"fill #ffff00", "frame #000000"}));
  label.SetTransparent(true);
  label.SetBorderType(BorderKind::Recessed);  // top and left grey, bottom and right white
  EXPECT_EQ(shapes(),
            (QStringList{"0,19-0,0 #808080", "0,0-39,0 #808080", "39,0-39,19 #ffffff", "39,19-0,19 #ffffff"}));
  label.SetBorderType(BorderKind::Raised);
  EXPECT_EQ(shapes(),
            (QStringList{"0,19-0,0 #ffffff", "0,0-39,0 #ffffff", "39,0-39,19 #808080", "39,19-0,19 #808080"}));
  label.SetBorderWidth(0);
  EXPECT_EQ(shapes(), QStringList());
}

TEST(Label3DTest, RotatedTextOffsetsPerQuadrant) {
  // 100 x 20 text: where the rotated text's origin lies in its box, and the box's size.
  struct Case {
    int angle, dx, dy, width, height;
  };
  for (const Case c :
       {Case{0, 0, 0, 100, 20}, Case{90, 0, 100, 20, 100}, Case{91, 1, 100, 20, 99}, Case{180, 100, 20, 100, 20},
        Case{181, 100, 19, 99, 20}, Case{270, 20, 0, 20, 100}, Case{271, 19, 0, 20, 99}, Case{315, 14, 0, 84, 84}}) {
    const auto box = RotateTextBox(c.angle, 100, 20);
    EXPECT_EQ(std::vector<int>({box.dx, box.dy, box.width, box.height}),
              std::vector<int>({c.dx, c.dy, c.width, c.height}))
        << c.angle;
  }
}

// A shown label paints itself again when one of its frame properties changes.
TEST(Label3DTest, FrameChangesPaintTheShownLabelAgain) {
  test::App();
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      paints += e->type() == QEvent::Paint;
      return false;
    }
  } counter;
  Label3D label;
  label.SetCaption("frame");
  label.resize(80, 24);
  label.installEventFilter(&counter);
  label.show();
  QCoreApplication::processEvents();
  const std::function<void()> changes[] = {[&] { label.SetBorder(!label.Border()); },
                                           [&] { label.SetBorderWidth(label.BorderWidth() + 1); },
                                           [&] { label.SetBorderType(BorderKind(int(label.BorderType()) ^ 1)); }};
  for (size_t i = 0; i < std::size(changes); ++i) {
    const int before = counter.paints;
    changes[i]();
    QCoreApplication::processEvents();
    EXPECT_GT(counter.paints, before) << i;
  }
}

TEST(Label3DTest, PathEllipsisKeepsTheRootAndTheFileName) {
  test::App();
  const QFontMetrics fm{QFont()};
  const QString path = QString::fromUtf8("C:\\Program Files\\Corvina\\Data\\2024年01月06日.jvRA");
  EXPECT_EQ(PathEllipsis(path, fm, fm.horizontalAdvance(path)), path) << "a path that fits stays whole";
  const QString shortened = QString::fromUtf8("C:\\...\\Data\\2024年01月06日.jvRA");
  EXPECT_EQ(PathEllipsis(path, fm, fm.horizontalAdvance(shortened)), shortened);
  // One folder: it goes; with only the root and the file name left, that is shown even when still too wide.
  const QString one = QString::fromUtf8("/Data/2024年01月06日.jvRA"),
                oneShort = QString::fromUtf8("/.../2024年01月06日.jvRA");
  EXPECT_EQ(PathEllipsis(one, fm, fm.horizontalAdvance(oneShort)), oneShort);
  EXPECT_EQ(PathEllipsis(one, fm, 10), oneShort);
  // Only the root and the file name: no folder to give up, so the name is cut at its left and keeps its end.
  const QString bare = QString::fromUtf8("C:\\2024年01月06日.jvRA");
  const QString cut = PathEllipsis(bare, fm, fm.horizontalAdvance(bare) / 2);
  EXPECT_TRUE(cut.startsWith(QChar(0x2026)) && cut.endsWith(QStringLiteral(".jvRA"))) << cut.toStdString();
  EXPECT_LE(fm.horizontalAdvance(cut), fm.horizontalAdvance(bare) / 2);
}

// Where the text goes inside the label: turned text by the horizontal alignment, level text by the layout, and a
// caption too long for the label cut at its end.
TEST(Label3DTest, TextKeepsToItsAlignmentLayoutAndWidth) {
  test::App();
  Label3D label(QStringLiteral("abc"));
  label.resize(200, 80);
  label.SetTextStyle(TextEffect::None);
  label.SetEscapement(90);
  std::vector<int> xs;
  for (Qt::Alignment a : {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight}) {
    label.SetAlignment(a);
    const auto ops = TextOps(label);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].degrees, 90);
    xs.push_back(ops[0].from.x());
  }
  EXPECT_EQ(xs[0], 0);
  EXPECT_GT(xs[2], 100) << "right-aligned turned text ends at the right edge";
  EXPECT_EQ(xs[1], xs[2] / 2);

  label.SetEscapement(0);
  label.SetAlignment(Qt::AlignLeft);
  struct Case {
    Label3D::TextLayout layout;
    int vertical;
    bool single;
  } layouts[] = {{Label3D::TextLayout::Top, Qt::AlignTop, false},
                 {Label3D::TextLayout::Center, Qt::AlignVCenter, true},
                 {Label3D::TextLayout::Bottom, Qt::AlignBottom, true}};
  for (const Case& c : layouts) {
    label.SetLayout(c.layout);
    const int flags = TextOps(label).at(0).alignment;
    EXPECT_FALSE(flags & Qt::TextWordWrap);
    EXPECT_EQ(flags & (Qt::AlignTop | Qt::AlignVCenter | Qt::AlignBottom), c.vertical) << static_cast<int>(c.layout);
    EXPECT_EQ((flags & Qt::TextSingleLine) != 0, c.single) << static_cast<int>(c.layout);
  }

  label.SetWordWrap(true);
  label.SetFontBold(true);
  EXPECT_TRUE(TextOps(label).at(0).alignment & Qt::TextWordWrap);
  EXPECT_TRUE(TextOps(label).at(0).bold);
  // Wrapped, every line stays within the label, a word wider than the label too, and the label in a window is
  // never lower than its lines, so the window makes room for them.
  label.SetLayout(Label3D::TextLayout::Top);
  const QString caption =
      QStringLiteral("データファイルに書き込めません：cannot replace /a_folder_name_wider_than_the_label/x.jvO1");
  label.SetCaption(caption);
  QWidget window;
  label.setParent(&window);
  label.resize(120, 20);
  window.show();
  QCoreApplication::processEvents();
  const QFontMetrics fm(label.font());
  QString lines = TextOps(label).at(0).text;
  for (const QString& line : lines.split('\n')) EXPECT_LE(fm.horizontalAdvance(line), 120) << line.toStdString();
  EXPECT_GE(lines.count('\n'), 3);
  EXPECT_EQ(QString(lines).remove('\n').remove(' '), QString(caption).remove(' ')) << "every character, in its order";
  EXPECT_GE(label.minimumHeight(), (lines.count('\n') + 1) * fm.lineSpacing());
  const int narrowHeight = label.minimumHeight();
  label.resize(fm.horizontalAdvance(caption) + 10, 20);
  QCoreApplication::processEvents();
  EXPECT_EQ(TextOps(label).at(0).text, caption) << "one line where the caption fits";
  EXPECT_LT(label.minimumHeight(), narrowHeight);
  label.setParent(nullptr);
  label.resize(200, 80);
  label.SetWordWrap(false);
  label.SetCaption(QStringLiteral("a caption far wider than its label"));
  label.resize(60, 20);
  label.SetEllipsesStyle(EllipsisMode::End);
  const QString shown = TextOps(label).at(0).text;
  EXPECT_TRUE(shown.startsWith(QStringLiteral("a")) && shown.endsWith(QChar(0x2026))) << shown.toStdString();
  EXPECT_LE(QFontMetrics(label.font()).horizontalAdvance(shown), 60);
}

TEST(Label3DTest, LinksOpenTheirAddressAndAlwaysFireOnClick) {
  test::App();
  QList<QUrl> opened;
  gui::SetShellSink([&](const QUrl& u) {
    opened << u;
    return false;  // a failure to open is not reported
  });
  Label3D label("mail");
  int clicks = 0;
  label.OnClick = [&] { ++clicks; };
  label.SetLabelStyle(LabelKind::EMailAddress);
  label.Click();  // empty address: nothing opened
  label.SetAddress("info@example.jp");
  label.Click();
  label.SetLabelStyle(LabelKind::WWWAddress);
  label.SetAddress("https://example.jp/");
  label.Click();
  label.SetLabelStyle(LabelKind::Default);
  label.Click();
  EXPECT_EQ(clicks, 4);
  // A left button let go over the label clicks it; another button, or one let go outside, does not.
  label.resize(40, 20);
  for (auto [at, button, click] :
       {std::tuple{QPointF(5, 5), Qt::LeftButton, true}, std::tuple{QPointF(5, 5), Qt::RightButton, false},
        std::tuple{QPointF(45, 5), Qt::LeftButton, false}}) {
    clicks = 0;
    QMouseEvent release(QEvent::MouseButtonRelease, at, label.mapToGlobal(at), button, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&label, &release);
    EXPECT_EQ(clicks, click ? 1 : 0) << at.x() << " " << button;
  }
  gui::SetShellSink(nullptr);
  ASSERT_EQ(opened.size(), 2);
  EXPECT_EQ(opened[0].toString(), "mailto:info@example.jp");
  EXPECT_EQ(opened[1].toString(), "https://example.jp/");
}

TEST(Label3DTest, HoverColoursALinkRedAndRestoresItsColour) {
  test::App();
  Label3D label("link");
  label.SetLabelStyle(LabelKind::WWWAddress);
  label.SetFontColor(Qt::blue);
  int enters = 0, exits = 0;
  label.OnMouseEnter = [&] { ++enters; };
  label.OnMouseExit = [&] { ++exits; };
  // The pointer's own events, as the window system sends them.
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QCoreApplication::sendEvent(&label, &enter);
  EXPECT_EQ(label.FontColor(), QColor(Qt::red));
  EXPECT_TRUE(label.font().underline());
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&label, &leave);
  EXPECT_EQ(label.FontColor(), QColor(Qt::blue));
  EXPECT_FALSE(label.font().underline());
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(exits, 1);
}

TEST(Label3DTest, AmpersandIsAnAcceleratorOnlyWhenAcceleratorsAreShown) {
  test::App();
  Label3D label("A&B");
  label.resize(80, 20);
  label.SetTextStyle(TextEffect::None);
  const auto shown = TextOps(label);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].alignment & Qt::TextShowMnemonic);

  label.SetShowAccelChar(false);
  const auto plain = TextOps(label);
  ASSERT_EQ(plain.size(), 1u);
  // Without accelerator handling the "&" is drawn as it stands, once.
  EXPECT_EQ(plain[0].text, "A&B");
  EXPECT_FALSE(plain[0].alignment & Qt::TextShowMnemonic);
}
