#include "platform/gui/Shell.h"

#include <QDesktopServices>
#include <QProcess>

namespace corvina::gui {

namespace {
ShellSink& Sink() {
  static ShellSink sink;
  return sink;
}
}  // namespace

bool OpenUrl(const QUrl& url) {
  if (Sink()) return Sink()(url);
  return QDesktopServices::openUrl(url);
}

bool OpenDocument(const QString& path) { return OpenUrl(QUrl::fromLocalFile(path)); }

bool StartDetached(const QString& program, const QStringList& args) { return QProcess::startDetached(program, args); }

void SetShellSink(ShellSink sink) { Sink() = std::move(sink); }

}  // namespace corvina::gui
