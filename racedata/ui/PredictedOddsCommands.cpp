#include "racedata/ui/PredictedOddsCommands.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <cerrno>
#include <system_error>

#include "archive/LhaExtractor.h"
#include "archive/Paths.h"
#include "components/SettingsFile.h"
#include "components/ui/FolderChooser.h"
#include "platform/Cp932.h"
#include "platform/LineFile.h"
#include "platform/gui/Application.h"
#include "platform/gui/Dialogs.h"
#include "racedata/DayFiles.h"
#include "racedata/DayModel.h"

namespace corvina {

namespace fs = std::filesystem;

namespace {

QString U(const std::string& utf8) { return QString::fromStdString(utf8); }

void InitSettings(SettingsFile& ini, const fs::path& appDir) {
  ini.SetFileName((appDir / std::string(kSettingsFileName)).string());
}

// Provider archives come from Windows machines: their names are matched without regard to case.
QString ChooseFileInDialog(QWidget* parent, const QString& folder, const QString& filter) {
  QFileDialog dialog(parent, QStringLiteral("開く"), folder, filter);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  gui::SpeakJapanese(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

// One import at a time: the unpacking lets window messages run.
bool gRunning = false;

}  // namespace

const QString PredictedOddsCommands::kArchiveFilter = QStringLiteral(
    "KOL3ｵｯｽﾞ（kd3_jb*.lzh）,KOL2ｵｯｽﾞ（j*.lzh）,JRDBｵｯｽﾞ(OZ*.lzh) "
    "([kK][dD]3_[jJ][bB]*.[lL][zZ][hH] [jJ]*.[lL][zZ][hH] [oO][zZ]*.[lL][zZ][hH])");

std::function<QString(QWidget*, const QString&, const QString&)> PredictedOddsCommands::ArchiveDialog =
    ChooseFileInDialog;

fs::path PredictedOddsCommands::ArchiveFolder(const fs::path& appDir) {
  SettingsFile settings;
  InitSettings(settings, appDir);
  const std::string fallback = ToCp932((appDir / "ylzh").string());
  return fs::path(FromCp932(settings.Read(kPredictedOddsFolder, fallback)));
}

void PredictedOddsCommands::ChooseArchiveFolder(QWidget* parent, FolderChooser& folderChooser, const fs::path& appDir) {
  folderChooser.Caption = QStringLiteral("単勝予想配当ﾃﾞｰﾀﾌｫﾙﾀﾞの指定");
  folderChooser.SelectedFolder = QString::fromStdString(ArchiveFolder(appDir).string());
  if (!folderChooser.Execute()) return;
  const std::string chosen = folderChooser.ChosenFolder.toStdString();
  // The settings file is CP932: a folder name it cannot spell would come back as another folder.
  if (FromCp932(ToCp932(chosen)) != chosen) {
    gui::MessageBeep();
    gui::ShowInformation(parent,
                         QStringLiteral("このﾌｫﾙﾀﾞ名は設定ﾌｧｲﾙに保存できません。\n") + folderChooser.ChosenFolder);
    return;
  }
  SettingsFile settings;
  InitSettings(settings, appDir);
  try {
    settings.Write(kPredictedOddsFolder, ToCp932(chosen));
  } catch (const SettingsFileError& e) {
    gui::ShowError(parent, U(e.what()));
  }
}

PredictedOddsCommands::UnpackResult PredictedOddsCommands::Unpack(const fs::path& archive, const fs::path& folder) {
  using namespace archive;
  UnpackResult result;
  LhaExtractor extractor;
  extractor.ProcessMessages = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
  // Only noted: the user hears of a failure when the run writes nothing or loses the provider's text. A full disk,
  // which the user can mend, is told as the file layer tells it.
  extractor.OnError = [&](ArchiveContext&, const std::string& file, const std::string&, const std::string&, int code) {
    result.entryFailed = true;
    if (code == msg::DiskFull && result.reason.empty()) result.reason = FileErrorText(FileAction::Save, file, ENOSPC);
  };
  extractor.OnEnd = [&](ArchiveContext&, const std::string&, bool pass) {
    if (!pass) result.entryFailed = true;
  };
  extractor.SetArchiveFile(archive.string());
  if (extractor.ArchiveType != ArchiveFormat::Lha && extractor.ArchiveType != ArchiveFormat::LhaSfx) return result;
  extractor.FileSpec.clear();
  extractor.FileSpec.push_back("*.*");
  extractor.SetExtractDir(folder.string());
  // A run killed in the middle (the program ended from outside, a power cut) may have left the library's
  // partial files in the folder: they go before this run and after it. Files of runs still at work stay. The
  // providers' texts lie in the folder itself, which is the user's: the folders below it are not searched.
  RemoveExtractionLeftovers(folder.string(), LeftoverSearch::Folder);
  result.written = extractor.Extract();
  RemoveExtractionLeftovers(folder.string(), LeftoverSearch::Folder);
  return result;
}

YozImportResult PredictedOddsCommands::ImportArchive(QWidget* parent, const fs::path& archive, const fs::path& appDir,
                                                     bool from2005) {
  const YozSources sources = YozSourcesOf(archive);
  DeleteYozSources(sources);

  const UnpackResult unpacked = Unpack(archive, sources.folder);
  auto unpackFailed = [&] {
    gui::MessageBeep(0);
    QString text = QStringLiteral("データが解凍できませんでした。");
    if (!unpacked.reason.empty()) text += "\n" + U(unpacked.reason);
    gui::ShowInformation(parent, text);
  };
  if (unpacked.written == 0) {
    unpackFailed();
    return {};
  }
  YozImportResult r = StoreYozFromFolder(sources, DataDirOf(appDir), from2005);
  if (r.outcome == YozOutcome::NoProviderText) {
    // A damaged archive may have lost the very text that was wanted: that is no "nothing to do".
    if (unpacked.entryFailed) unpackFailed();
    return r;
  }
  if (r.IsError()) gui::MessageBeep(0);
  gui::ShowInformation(parent, U(r.message));
  return r;
}

void PredictedOddsCommands::ChooseAndImportArchive(QWidget* parent, const DayModel& day) {
  if (gRunning) return;
  // A folder that does not exist (yet) opens the program folder: the dialog would otherwise take the folder's
  // name for the name of the file to open.
  std::error_code ec;
  fs::path folder = ArchiveFolder(day.AppDir);
  if (!fs::is_directory(folder, ec)) folder = day.AppDir;
  const QString chosen = ArchiveDialog(parent, QString::fromStdString(folder.string()), kArchiveFilter);
  if (chosen.isEmpty()) return;
  gRunning = true;
  struct Done {
    ~Done() { gRunning = false; }
  } done;
  ImportArchive(parent, fs::path(chosen.toStdString()), day.AppDir, day.GFrom2005);
}

}  // namespace corvina
