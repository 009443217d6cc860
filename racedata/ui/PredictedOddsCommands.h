#pragma once
// The predicted-odds import commands of the main window: "予想配当" picks a provider's LZH archive, unpacks it
// into the archive's own folder and stores the day's ".yoz"; "単勝予想配当ﾃﾞｰﾀﾌｫﾙﾀﾞの指定" chooses the folder the
// archive dialog opens in. The day shown is not reloaded: the message tells the user to reload it.
#include <QString>
#include <filesystem>
#include <functional>
#include <string>

#include "racedata/YosoImport.h"

class QWidget;

namespace corvina {

struct DayModel;
class FolderChooser;

class PredictedOddsCommands {
 public:
  // The main window's "予想配当" button and menu command. Uses the day's AppDir (program folder: settings file,
  // Data folder) and GFrom2005 (bracket mode of KOL texts follows the day loaded now).
  static void ChooseAndImportArchive(QWidget* parent, const DayModel& day);

  // The "単勝予想配当ﾃﾞｰﾀﾌｫﾙﾀﾞの指定" command: the main window's folder chooser picks the setting kPredictedOddsFolder.
  static void ChooseArchiveFolder(QWidget* parent, FolderChooser& folderChooser, const std::filesystem::path& appDir);

  // What ChooseAndImportArchive does once an archive is chosen; the result says what the user was told.
  static YozImportResult ImportArchive(QWidget* parent, const std::filesystem::path& archive,
                                       const std::filesystem::path& appDir, bool from2005);

  struct UnpackResult {
    int written = 0;           // entries written whole
    bool entryFailed = false;  // some entry could not be read, decoded or written
    std::string reason;        // why an entry could not be written, for the user (a full disk); else empty
  };
  // Unpacks every entry of an LZH archive into `folder`, letting window messages other than user input run.
  static UnpackResult Unpack(const std::filesystem::path& archive, const std::filesystem::path& folder);

  // The folder of the providers' archives: setting kPredictedOddsFolder, default AppDir/ylzh. The archive dialog
  // opens there, or in the program folder while it does not exist.
  static std::filesystem::path ArchiveFolder(const std::filesystem::path& appDir);

  // The archive dialog: (parent, initial folder, filter) -> the chosen file, empty on cancel. Tests replace it.
  static std::function<QString(QWidget*, const QString&, const QString&)> ArchiveDialog;
  static const QString kArchiveFilter;
};

}  // namespace corvina
