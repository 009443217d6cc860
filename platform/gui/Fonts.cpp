#include "platform/gui/Fonts.h"

#include <QFont>

namespace corvina::gui {

namespace {
struct Mapping {
  const char* face;
  QStringList substitutes;
};

// "ＭＳ ゴシック" is fixed-pitch: columns of blank-padded numbers (" 2- 8" under " 8-11") line up only in a face
// whose half-width characters are all one width.
const QStringList& JapaneseGothic() {
  static const QStringList faces{"Noto Sans Mono CJK JP", "IPAGothic", "VL Gothic", "TakaoGothic"};
  return faces;
}

const QStringList& JapanesePGothic() {
  static const QStringList faces{"Noto Sans CJK JP", "IPAPGothic", "IPAexGothic", "VL PGothic", "TakaoPGothic"};
  return faces;
}

const QStringList& JapaneseMincho() {
  static const QStringList faces{"Noto Serif CJK JP", "IPAMincho", "Noto Sans CJK JP"};
  return faces;
}

const std::vector<Mapping>& Mappings() {
  static const std::vector<Mapping> table{
      {"ＭＳ ゴシック", JapaneseGothic()},
      {"ＭＳ Ｐゴシック", JapanesePGothic()},
      {"MS Gothic", JapaneseGothic()},
      {"MS PGothic", JapanesePGothic()},
      {"MS UI Gothic", JapanesePGothic()},
      {"ＭＳ 明朝", JapaneseMincho()},
      {"ＭＳ Ｐ明朝", JapaneseMincho()},
      // Latin faces still need a Japanese fallback: captions of "Arial" labels are Japanese text.
      {"Arial", QStringList{"Liberation Sans", "DejaVu Sans"} + JapanesePGothic()},
      {"MS Sans Serif", QStringList{"DejaVu Sans"} + JapanesePGothic()},
  };
  return table;
}
}  // namespace

QStringList FontSubstitutes(const QString& windowsFace) {
  for (const auto& m : Mappings())
    if (windowsFace == QString::fromUtf8(m.face)) return m.substitutes;
  return {};
}

void InstallFontSubstitutions() {
  for (const auto& m : Mappings()) QFont::insertSubstitutions(QString::fromUtf8(m.face), m.substitutes);
}

QFont ProgramFont() {
  QFont font(kPGothic);
  font.setPointSize(9);
  return font;
}

QFont PrintFont(const QFont& font) {
  const QStringList substitutes = FontSubstitutes(font.family());
  QString face;
  if (substitutes == JapaneseGothic())
    face = QStringLiteral("IPAGothic");  // fixed-pitch like the face it stands in for
  else if (substitutes == JapanesePGothic())
    face = QStringLiteral("IPAPGothic");
  if (face.isEmpty()) return font;
  QFont printed = font;
  printed.setFamilies({face, font.family()});
  return printed;
}

}  // namespace corvina::gui
