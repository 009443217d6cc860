#include "platform/gui/Application.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>
#include <stdexcept>

#include "platform/gui/Dialogs.h"

namespace corvina::gui {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportException(std::current_exception());
    return false;
  }
}

bool SpeakJapanese() {
  // A widget takes the default locale when it is made: this must come before the first window.
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  static QTranslator* installed = nullptr;
  if (installed != nullptr) return true;
  auto translator = std::make_unique<QTranslator>();
  // qtbase holds the texts of the standard dialogs and of the message boxes' buttons.
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return false;
  installed = translator.release();
  QCoreApplication::installTranslator(installed);
  return true;
}

namespace {
// The file dialog's files with their dates ("Date Modified", the fourth column) in the default locale.
class DatesInDefaultLocale : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (files && index.column() == 3 && role == Qt::DisplayRole)
      return QLocale().toString(files->lastModified(mapToSource(index)), QLocale::ShortFormat);
    return QIdentityProxyModel::data(index, role);
  }
};
}  // namespace

void SpeakJapanese(QFileDialog& dialog) { dialog.setProxyModel(new DatesInDefaultLocale(&dialog)); }

void ReportException(std::exception_ptr e) {
  QString text;
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& ex) {
    text = QString::fromUtf8(ex.what());
  } catch (...) {
    text = QStringLiteral("不明なエラーが発生しました。");
  }
  ShowError(nullptr, text);
}

}  // namespace corvina::gui
