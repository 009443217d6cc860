#pragma once
// The Windows font faces the windows name ("ＭＳ ゴシック", "ＭＳ Ｐゴシック", "Arial" ...) mapped to fonts a
// Linux desktop has: the fixed-pitch faces to Noto Sans Mono CJK JP, the proportional ones to Noto Sans CJK JP.
// Installed once at start, before the first window.
#include <QString>
#include <QStringList>

namespace corvina::gui {

inline const QString kGothic = QStringLiteral("ＭＳ ゴシック");
inline const QString kPGothic = QStringLiteral("ＭＳ Ｐゴシック");

// The faces that stand in for `windowsFace`, best first; empty for a face that is not mapped.
QStringList FontSubstitutes(const QString& windowsFace);
// Registers every mapping with Qt's font matching.
void InstallFontSubstitutions();

}  // namespace corvina::gui
