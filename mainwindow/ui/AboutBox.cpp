#include "mainwindow/ui/AboutBox.h"

#include <QFrame>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <algorithm>

#include "components/ui/Label3D.h"
#include "platform/Cp932.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Shell.h"

namespace corvina {

// ---- Shell utilities ------------------------------------------------------------------------------------

bool RegQueryDefault(RegRoot root, std::string_view subKey, std::string& value) {
  const std::optional<std::string> read = RegReadString(root, subKey, "");
  if (!read) return false;
  // A value of any length is taken whole: cutting a handler's path would only
  // make it fail later.
  value = read->substr(0, read->find('\0'));
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

bool OpenURL(const QString& url) {
  if (gui::OpenUrl(QUrl(url))) return true;
  std::string fileType;
  if (!RegQueryDefault(RegRoot::ClassesRoot, ".htm", fileType)) return false;
  std::string command;
  if (!RegQueryDefault(RegRoot::ClassesRoot, fileType + "\\shell\\open\\command", command)) return false;
  // Run as the program and its arguments, never through a shell, so the address cannot become a command.
  QStringList args = QProcess::splitCommand(HtmCommandLine(QString::fromStdString(FromCp932(command)), url));
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

Label3D* AboutLabel(QWidget* parent, const QString& caption, const QColor& colour, int x, int y) {
  auto* l = new Label3D(caption, parent);
  QFont f(gui::kPGothic);
  f.setPixelSize(12);
  f.setBold(true);
  l->setFont(f);
  l->SetFontColor(colour);
  l->SetTextStyle(TextEffect::Raised);
  l->SetTransparent(true);
  l->SetAutoSize(true);
  l->move(x, y);
  return l;
}

Label3D* CreditLink(QWidget* parent, const QString& caption, const QColor& colour, int x, int y) {
  Label3D* l = AboutLabel(parent, caption, colour, x, y);
  l->SetLabelStyle(LabelKind::WWWAddress);
  l->SetAddress(QString::fromLatin1(kHomePage));
  return l;
}

}  // namespace

AboutBox::AboutBox(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
  setFixedSize(469, 265);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);

  PictureFrame = new QFrame(this);
  PictureFrame->setGeometry(8, 8, 303, 201);
  PictureFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  PictureFrame->setAutoFillBackground(true);
  QPalette white = PictureFrame->palette();
  white.setColor(QPalette::Window, Qt::white);
  PictureFrame->setPalette(white);

  TitleImage = new TitlePicture(PictureFrame);
  TitleImage->setGeometry(1, 1, 300, 198);

  VersionLabel = AboutLabel(PictureFrame, QString(), Qt::black, 164, 132);
  QFont version = VersionLabel->font();
  version.setUnderline(true);
  VersionLabel->setFont(version);
  ProjectCreditLink = CreditLink(PictureFrame, QStringLiteral("Corvina Project"), Qt::blue, 98, 166);
  DataCreditLink = CreditLink(PictureFrame, QStringLiteral("Data: JRA-VAN Data Lab."), Qt::yellow, 86, 180);
  // The face that stands in for the designed one is taller: the upper credit line ends where the lower one
  // begins, above its designed place if need be, so neither covers the other.
  ProjectCreditLink->move(98, std::min(166, DataCreditLink->y() - ProjectCreditLink->height()));
  NoticeLabel = AboutLabel(PictureFrame, QString(), Qt::red, 104, 164);

  OkButton = new QPushButton(QStringLiteral("OK"), this);
  OkButton->setGeometry(340, 170, 97, 25);
  OkButton->setDefault(true);
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

  HomePageButton = new QPushButton(QStringLiteral("ホームページ"), this);
  HomePageButton->setGeometry(328, 14, 129, 21);
  HomePageButton->setAutoDefault(false);
  connect(HomePageButton, &QPushButton::clicked, this, [this] { OpenHomePage(); });
}

void AboutBox::OpenHomePage() {
  if (!OpenURL(QString::fromLatin1(kHomePage)))
    gui::ShowInformation(this, QStringLiteral("ホームページの表示に失敗しました。"));
}

void AboutBox::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  // Centred on the main window, as the window was designed; the desktop may place dialogs otherwise.
  if (QWidget* owner = parentWidget()) move(owner->window()->geometry().center() - rect().center());
}

void ShowAboutBox(QWidget* owner, const QString& version) {
  auto* box = new AboutBox(owner);
  box->VersionLabel->SetCaption(version);
  box->exec();  // frees the window as it closes
}

}  // namespace corvina
