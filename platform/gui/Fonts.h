#pragma once
// The Windows font faces the windows name ("ＭＳ ゴシック", "ＭＳ Ｐゴシック", "Arial" ...) mapped to fonts a
// Linux desktop has: the fixed-pitch faces to Noto Sans Mono CJK JP, the proportional ones to Noto Sans CJK JP.
// Installed once at start, before the first window.
#include <QFont>
#include <QString>
#include <QStringList>

namespace corvina::gui {

inline const QString kGothic = QStringLiteral("ＭＳ ゴシック");
inline const QString kPGothic = QStringLiteral("ＭＳ Ｐゴシック");

// The faces that stand in for `windowsFace`, best first; empty for a face that is not mapped.
QStringList FontSubstitutes(const QString& windowsFace);
// Registers every mapping with Qt's font matching.
void InstallFontSubstitutions();
// The font every window of the program starts from, set once at start: "ＭＳ Ｐゴシック" of 9 points.
QFont ProgramFont();

// `font` as a printed page draws it. A PDF's text layer gives each glyph the first character the face maps to it,
// and Noto Sans CJK maps the glyphs of 月, 日, 走 ... from the Kangxi radicals (U+2F00 on) too, which come first:
// text searched or copied from the page would hold radicals. The IPA Gothic faces map those glyphs from the
// ideographs only, so the Gothic faces print in them where they are installed, else in the screen's faces.
QFont PrintFont(const QFont& font);

}  // namespace corvina::gui
