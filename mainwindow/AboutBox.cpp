#include "mainwindow/AboutBox.h"

#include <QFrame>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include "components/ui/Label3Dj.h"
#include "platform/Cp932.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Shell.h"

namespace corvina {

// ---- Shell utilities ------------------------------------------------------------------------------------

bool RegQueryDefault(RegRoot Root, std::string_view SubKey, std::string& Value) {
  const std::optional<std::string> read = RegReadString(Root, SubKey, "");
  if (!read) return false;
  // A value longer than the original's fixed buffer is taken whole: cutting a handler's path would only
  // make it fail later.
  Value = read->substr(0, read->find('\0'));
  return true;
}

QString HtmCommandLine(QString command, const QString& url) {
  // The blank in front of the placeholder goes with it; a placeholder at the very start has none.
  const auto cut = [&command](qsizetype at, qsizetype length) {
    const qsizetype from = at > 0 ? at - 1 : 0;
    command.remove(from, length + (at - from));
  };
  const qsizetype quoted = command.indexOf(QStringLiteral("\"%1\""));
  if (quoted >= 0) {
    cut(quoted, 4);
  } else if (const qsizetype bare = command.indexOf(QStringLiteral("%1")); bare >= 0) {
    cut(bare, 2);
  }
  return command + QLatin1Char(' ') + url;
}

bool OpenURL(const QString& URL) {
  if (gui::OpenUrl(QUrl(URL))) return true;
  std::string fileType;
  if (!RegQueryDefault(RegRoot::ClassesRoot, ".htm", fileType)) return false;
  std::string command;
  if (!RegQueryDefault(RegRoot::ClassesRoot, fileType + "\\shell\\open\\command", command)) return false;
  // Run as the program and its arguments, never through a shell, so the address cannot become a command.
  QStringList args = QProcess::splitCommand(HtmCommandLine(QString::fromStdString(FromCp932(command)), URL));
  if (args.isEmpty()) return false;
  const QString program = args.takeFirst();
  return gui::StartDetached(program, args);
}

// ---- The version window ---------------------------------------------------------------------------------

void PaintTitlePicture(QPainter& p, const QRect& r) {
  QLinearGradient sky(r.topLeft(), r.bottomLeft());
  sky.setColorAt(0, QColor(10, 40, 110));
  // Light turf under the version text (black), darker below it for the coloured credit lines.
  sky.setColorAt(0.6, QColor(150, 200, 150));
  sky.setColorAt(0.78, QColor(110, 170, 120));
  sky.setColorAt(1, QColor(30, 90, 45));
  p.fillRect(r, sky);
  p.setPen(QColor(255, 255, 255, 60));
  for (int x = r.left(); x < r.right(); x += 12) p.drawLine(x, r.top() + 148, x + 40, r.bottom());
  QFont title(gui::kPGothic);
  title.setPixelSize(34);
  title.setBold(true);
  p.setFont(title);
  const QRect upper = r.adjusted(0, 0, 0, -60);
  p.setPen(QColor(0, 0, 0, 120));
  p.drawText(upper.translated(2, 2), Qt::AlignCenter, QStringLiteral("コルヴィナ"));
  p.setPen(Qt::white);
  p.drawText(upper, Qt::AlignCenter, QStringLiteral("コルヴィナ"));
  QFont sub(gui::kPGothic);
  sub.setPixelSize(13);
  p.setFont(sub);
  p.drawText(QRect(r.left(), r.top() + 108, r.width(), 24), Qt::AlignCenter, QStringLiteral("for JRA-VAN Data Lab."));
}

namespace {

class TitlePicture : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    PaintTitlePicture(p, rect());
  }
};

TLabel3Dj* AboutLabel(QWidget* parent, const QString& caption, const QColor& colour, int x, int y) {
  auto* l = new TLabel3Dj(caption, parent);
  QFont f(gui::kPGothic);
  f.setPixelSize(12);
  f.setBold(true);
  l->setFont(f);
  l->SetFontColor(colour);
  l->SetTextStyle(TTextStyle::tsRaised);
  l->SetTransparent(true);
  l->SetAutoSize(true);
  l->move(x, y);
  return l;
}

TLabel3Dj* CreditLink(QWidget* parent, const QString& caption, const QColor& colour, int x, int y) {
  TLabel3Dj* l = AboutLabel(parent, caption, colour, x, y);
  l->SetLabelStyle(TLabelStyle::lsWWWAddress);
  l->SetAddress(QString::fromLatin1(kHomePage));
  return l;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
  setFixedSize(469, 265);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);

  Panel1 = new QFrame(this);
  Panel1->setGeometry(8, 8, 303, 201);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setAutoFillBackground(true);
  QPalette white = Panel1->palette();
  white.setColor(QPalette::Window, Qt::white);
  Panel1->setPalette(white);

  Image1 = new TitlePicture(Panel1);
  Image1->setGeometry(1, 1, 300, 198);

  Label3Dj3 = AboutLabel(Panel1, QString(), Qt::black, 164, 132);
  QFont version = Label3Dj3->font();
  version.setUnderline(true);
  Label3Dj3->setFont(version);
  Label3Dj2 = CreditLink(Panel1, QStringLiteral("Corvina Project"), Qt::blue, 98, 166);
  Label3Dj1 = CreditLink(Panel1, QStringLiteral("Data: JRA-VAN Data Lab."), Qt::yellow, 86, 180);
  Label3D3 = AboutLabel(Panel1, QString(), Qt::red, 104, 164);

  MsgBitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  MsgBitBtn1->setGeometry(340, 170, 97, 25);
  MsgBitBtn1->setDefault(true);
  connect(MsgBitBtn1, &QPushButton::clicked, this, &QDialog::accept);

  Button1 = new QPushButton(QStringLiteral("ホームページ"), this);
  Button1->setGeometry(328, 14, 129, 21);
  Button1->setAutoDefault(false);
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TAboutBox::Button1Click() {
  if (!OpenURL(QString::fromLatin1(kHomePage)))
    gui::ShowInformation(this, QStringLiteral("ホームページの表示に失敗しました。"));
}

void TAboutBox::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  // Centred on the main window, as the window was designed; the desktop may place dialogs otherwise.
  if (QWidget* owner = parentWidget()) move(owner->window()->geometry().center() - rect().center());
}

void ShowAboutBox(QWidget* owner, const QString& version) {
  auto* box = new TAboutBox(owner);
  box->Label3Dj3->SetCaption(version);
  box->exec();  // frees the window as it closes
}

}  // namespace corvina
