#pragma once
// AboutBox: the version window ("ﾊﾞｰｼﾞｮﾝ情報") with the title picture, the version text, the credit lines and
// the way to the maker's home page; and the two shell utilities behind it: opening an address with the
// desktop's handler (falling back to the command registered for web pages) and reading a registry default.
#include <QDialog>
#include <QString>
#include <string>
#include <string_view>

#include "platform/Registry.h"

class QFrame;
class QPainter;
class QPushButton;
class QRect;

namespace corvina {

class Label3D;

// The maker's home page, opened by the home-page button and both credit lines.
inline constexpr const char* kHomePage = "https://corvina.example.jp/";

// The default (unnamed) value of `subKey` under `root` into `value`, cut at its first NUL; false, with
// `value` unchanged, when the key or its value cannot be read.
bool RegQueryDefault(RegRoot root, std::string_view subKey, std::string& value);

// The web-page handler command `command` (as registered, with its "%1" placeholder) made ready to run with
// `url`: a blank and the quoted placeholder (or a blank and a bare one) are taken out and the address put at
// the end.
QString HtmCommandLine(QString command, const QString& url);

// Opens `url` with the desktop's handler; when none takes it, runs the command registered for ".htm" files
// with the address. Returns false when neither way opens it.
bool OpenURL(const QString& url);

// The same contracts under their second names.
inline bool RegReadDefault(RegRoot root, std::string_view subKey, std::string& value) {
  return RegQueryDefault(root, subKey, value);
}
inline bool OpenDocument(const QString& url) { return OpenURL(url); }

// Paints the program's title picture into `r` (300 x 198 in the windows that show it).
void PaintTitlePicture(QPainter& p, const QRect& r);

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  // Centred on `owner`; the window frees itself when it closes.
  explicit AboutBox(QWidget* owner = nullptr);

  QFrame* PictureFrame = nullptr;
  QWidget* TitleImage = nullptr;
  Label3D* VersionLabel = nullptr;       // the version text
  Label3D* ProjectCreditLink = nullptr;  // credit line, link to the home page
  Label3D* DataCreditLink = nullptr;     // credit line, link to the home page
  Label3D* NoticeLabel = nullptr;        // red text over the picture, left empty
  QPushButton* OkButton = nullptr;
  QPushButton* HomePageButton = nullptr;  // "ホームページ"

  void OpenHomePage();

 protected:
  void showEvent(QShowEvent* e) override;
};

// The version window, modal, with `version` (the main window's Version) as its version text. Returns when
// the window has closed (and freed itself).
void ShowAboutBox(QWidget* owner, const QString& version);

}  // namespace corvina
