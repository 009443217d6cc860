#pragma once
// TAboutBox: the version window ("ﾊﾞｰｼﾞｮﾝ情報") with the title picture, the version text, the credit lines and
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

class TLabel3Dj;

// The maker's home page, opened by the home-page button and both credit lines.
inline constexpr const char* kHomePage = "https://corvina.example.jp/";

// The default (unnamed) value of `SubKey` under `Root` into `Value`, cut at its first NUL; false, with
// `Value` unchanged, when the key or its value cannot be read.
bool RegQueryDefault(RegRoot Root, std::string_view SubKey, std::string& Value);

// The web-page handler command `command` (as registered, with its "%1" placeholder) made ready to run with
// `url`: a blank and the quoted placeholder (or a blank and a bare one) are taken out and the address put at
// the end.
QString HtmCommandLine(QString command, const QString& url);

// Opens `URL` with the desktop's handler; when none takes it, runs the command registered for ".htm" files
// with the address. False when neither way opens it.
bool OpenURL(const QString& URL);

// The same contracts under their second names.
inline bool RegReadDefault(RegRoot Root, std::string_view SubKey, std::string& Value) {
  return RegQueryDefault(Root, SubKey, Value);
}
inline bool OpenDocument(const QString& URL) { return OpenURL(URL); }

// Paints the program's title picture into `r` (300 x 198 in the windows that show it).
void PaintTitlePicture(QPainter& p, const QRect& r);

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  // Centred on `owner`; the window frees itself when it closes.
  explicit TAboutBox(QWidget* owner = nullptr);

  QFrame* Panel1 = nullptr;
  QWidget* Image1 = nullptr;
  TLabel3Dj* Label3Dj3 = nullptr;  // the version text
  TLabel3Dj* Label3Dj2 = nullptr;  // credit line, link to the home page
  TLabel3Dj* Label3Dj1 = nullptr;  // credit line, link to the home page
  TLabel3Dj* Label3D3 = nullptr;
  QPushButton* MsgBitBtn1 = nullptr;  // OK
  QPushButton* Button1 = nullptr;     // "ホームページ"

  void Button1Click();

 protected:
  void showEvent(QShowEvent* e) override;
};

// The version window, modal, with `version` (the main window's FVersion) as its version text. Returns when
// the window has closed (and freed itself).
void ShowAboutBox(QWidget* owner, const QString& version);

}  // namespace corvina
