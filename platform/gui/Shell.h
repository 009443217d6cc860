#pragma once
// Opening addresses and documents with the desktop's default handler, and starting programs, never through a
// shell. One replaceable sink lets tests see what would have been opened.
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace corvina::gui {

// Opens a web address, "mailto:" address or file URL with the default handler; false when none took it.
bool OpenUrl(const QUrl& url);
// Opens a local file (the help file, a report) with its default handler.
bool OpenDocument(const QString& path);
// Starts `program` with `args` as a separate process (no shell, no quoting rules); false when it cannot start.
bool StartDetached(const QString& program, const QStringList& args);

using ShellSink = std::function<bool(const QUrl& url)>;
// Replaces OpenUrl and OpenDocument (nullptr restores the desktop's handler).
void SetShellSink(ShellSink sink);

}  // namespace corvina::gui
