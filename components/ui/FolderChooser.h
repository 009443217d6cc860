#pragma once
// FolderChooser: a modal folder chooser with a caption of its own, a preselected folder, a status line that
// shows a header text and the folder under the selection, placement rules and, within one run of the program,
// the size and place of its last close.
#include <QDialog>
#include <QObject>
#include <QRect>
#include <QString>
#include <functional>

#include "platform/EnumSet.h"

class QLabel;
class QPushButton;
class QStatusBar;
class QTreeView;
class QFileSystemModel;

namespace corvina {

enum class DialogBorderStyle { Sizable, Dialog };
enum class DialogPosition { Default, ScreenCenter, ParentCenter, Designed };

// Browse flags. Every folder on this system has a path, so only ReturnOnlyFSDirs and StatusText change what the
// dialog does; the others are kept for callers that set them.
enum class ChooserOption {
  ReturnOnlyFSDirs,
  DontGoBelowDomain,
  StatusText,
  ReturnFSAncestors,
  BrowseForComputer,
  BrowseForPrinter,
};
using ChooserOptions = EnumSet<ChooserOption>;

// The texts the main window's chooser carries.
inline constexpr const char* kFolderChooserStatusHeader = "選択ﾌｫﾙﾀﾞ　";
inline constexpr const char* kFolderChooserText =
    "選択したいﾌｫﾙﾀﾞのｱｲｺﾝをｸﾘｯｸしてください。選択不可能なﾌｫﾙﾀﾞがｸﾘｯｸされた場合は「OK」ﾎﾞﾀﾝが有効になりません。";

// The start of a span of `size` centred in [low, high), halves truncated towards zero as the placement rules
// have it (this matters left of or above the primary screen).
int CenteredStart(int low, int high, int size);

// The dialog one Execute shows. Tests reach it through FolderChooser::Dialog() while it is open.
class FolderChooserDialog : public QDialog {
  Q_OBJECT
 public:
  FolderChooserDialog(class FolderChooser& owner, QWidget* parent);

  QTreeView* TreeView = nullptr;
  QLabel* TextLabel = nullptr;    // the instruction (plain frame only)
  QLabel* StatusLabel = nullptr;  // the status line of the plain frame
  QStatusBar* StatusBar = nullptr;
  QLabel* StatusBarLabel = nullptr;  // the status line in the resizable frame's status bar
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;

  // The folder of the current item, empty when there is none.
  QString CurrentFolder() const;
  // Makes `folder` the current item, or the nearest folder above it when it is gone, and keeps it in view while
  // the folders around it are read.
  void SelectFolder(const QString& folder);
  QString StatusText() const { return status_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SelectionChanged();
  void ShowStatus();
  void ScrollToSelectedFolder();
  FolderChooser& owner_;
  QFileSystemModel* model_ = nullptr;
  QString status_;
  QString keptInView_;  // the folder SelectFolder chose, while it is still the current one
  bool firstShowPending_ = true;
};

class FolderChooser : public QObject {
  Q_OBJECT
 public:
  // `owner`: the window the dialog is modal to and centred over with DialogPosition::ParentCenter.
  explicit FolderChooser(QWidget* owner = nullptr);

  DialogBorderStyle BorderStyle = DialogBorderStyle::Sizable;
  QString Caption;           // the dialog's caption; empty keeps the default one
  bool ContextHelp = true;   // false: no help button in the title bar
  bool OpenDefault = false;  // preselect SelectedFolder, and store the choice back into it
  ChooserOptions Option{ChooserOption::ReturnOnlyFSDirs, ChooserOption::StatusText};
  DialogPosition Position = DialogPosition::Default;
  QString SelectedFolder;
  QString StatusHeader;      // prefix of the status line
  QString Text;              // instruction text (shown with the plain frame)
  bool UseSavedRect = true;  // reopen with the size and place of the last close

  // The folder of the last confirmed Execute.
  QString ChosenFolder;

  // Dialog position for DialogPosition::Designed, in screen pixels: values outside the screen are refused with an error
  // box and the old value stays.
  int Left() const { return left_; }
  int Top() const { return top_; }
  void SetLeft(int value);
  void SetTop(int value);
  // Returns true when 0 <= value <= max; otherwise the error box, and false.
  bool CheckScreenPos(int value, int max);

  // Runs the dialog modally. Returns true when a folder was confirmed: it is in ChosenFolder (and SelectedFolder with
  // OpenDefault). Cancel changes nothing.
  bool Execute();

  // The open dialog, null outside Execute.
  FolderChooserDialog* Dialog() const { return dialog_; }
  // The rectangle of the last close; empty before the first.
  QRect SavedRect() const { return savedRect_; }

  // Where the error box of CheckScreenPos goes (text, title); tests replace it.
  static std::function<void(const QString& text, const QString& title)> ErrorBox;

 private:
  friend class FolderChooserDialog;
  void PositionDialog(QDialog& dialog);

  QWidget* owner_;
  int left_ = 0, top_ = 0;
  QRect savedRect_;
  bool savedRectUsed_ = false;
  FolderChooserDialog* dialog_ = nullptr;
};

}  // namespace corvina
