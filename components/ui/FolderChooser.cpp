#include "components/ui/FolderChooser.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace corvina {

namespace {

QScreen* ScreenOf(const QWidget* w) {
  if (w && w->screen()) return w->screen();
  return QGuiApplication::primaryScreen();
}

// The status line `header` + `folder` shortened to `room`: the folders above the chosen one give way first, then
// the header, so the chosen folder's name stays in sight whenever it fits the line at all.
QString FittedStatus(const QFontMetrics& fm, const QString& header, const QString& folder, int room) {
  const QString whole = header + folder;
  if (fm.horizontalAdvance(whole) <= room || folder.isEmpty()) return fm.elidedText(whole, Qt::ElideRight, room);
  const qsizetype slash = std::max<qsizetype>(folder.lastIndexOf(QLatin1Char('/')), 0);
  const QString above = folder.left(slash), name = folder.mid(slash);  // the name with its "/"
  const QString ellipsis(QChar(0x2026));
  const int aboveRoom = room - fm.horizontalAdvance(header + name);
  if (!above.isEmpty() && aboveRoom >= fm.horizontalAdvance(ellipsis))
    return header + fm.elidedText(above, Qt::ElideMiddle, aboveRoom) + name;
  const QString bare = (above.isEmpty() ? QString() : ellipsis) + name;
  return fm.elidedText(bare, Qt::ElideMiddle, room);
}

}  // namespace

int CenteredStart(int low, int high, int size) { return (low + high - size) / 2; }

std::function<void(const QString&, const QString&)> FolderChooser::ErrorBox = [](const QString& text,
                                                                                 const QString& title) {
  QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
};

// ---- The dialog ---------------------------------------------------------------------------------------------

FolderChooserDialog::FolderChooserDialog(FolderChooser& owner, QWidget* parent) : QDialog(parent), owner_(owner) {
  setWindowTitle(owner.Caption.isEmpty() ? QStringLiteral("フォルダの参照") : owner.Caption);
  setWindowFlag(Qt::WindowContextHelpButtonHint, owner.ContextHelp);
  setWindowIcon(QApplication::windowIcon());

  auto* layout = new QVBoxLayout(this);
  TextLabel = new QLabel(owner.Text, this);
  TextLabel->setWordWrap(true);
  StatusLabel = new QLabel(this);
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath(QStringLiteral("/"));
  TreeView = new QTreeView(this);
  TreeView->setModel(model_);
  TreeView->setHeaderHidden(true);
  for (int c = 1; c < model_->columnCount(); ++c) TreeView->hideColumn(c);
  OkButton = new QPushButton(QStringLiteral("OK"), this);
  OkButton->setDefault(true);
  OkButton->setEnabled(false);
  CancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OkButton);
  buttons->addWidget(CancelButton);
  layout->addWidget(TextLabel);
  layout->addWidget(StatusLabel);
  layout->addWidget(TreeView, 1);
  layout->addLayout(buttons);

  if (owner.BorderStyle == DialogBorderStyle::Sizable) {
    // The resizable frame shows the status in a bar of its own along the bottom and drops the two text lines.
    TextLabel->hide();
    StatusLabel->hide();
    StatusBar = new QStatusBar(this);
    StatusBar->setSizeGripEnabled(true);
    StatusBarLabel = new QLabel(StatusBar);
    // The label takes the bar's width, not its text's: a long path is shortened to fit (ShowStatus).
    StatusBarLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatusBarLabel->installEventFilter(this);
    StatusBar->addWidget(StatusBarLabel, 1);
    layout->addWidget(StatusBar);
    layout->setContentsMargins(layout->contentsMargins().left(), layout->contentsMargins().top(),
                               layout->contentsMargins().right(), 0);
    resize(420, 460);
  } else {
    layout->setSizeConstraint(QLayout::SetFixedSize);
  }

  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(TreeView->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { SelectionChanged(); });
  // The folders are read in the background: rows that arrive above the preselected folder push it down, out of
  // view, unless the view follows it.
  connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
    const QString below = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    if (!keptInView_.isEmpty() && (keptInView_ == path || keptInView_.startsWith(below))) ScrollToSelectedFolder();
  });
  // A view with no current row makes its first row (the root folder) current when it gets the focus, and OK
  // would confirm a folder the user never chose: nothing is current until the user chooses.
  TreeView->setCurrentIndex(QModelIndex());
  if (owner.OpenDefault && !owner.SelectedFolder.isEmpty()) SelectFolder(owner.SelectedFolder);
  SelectionChanged();
}

QString FolderChooserDialog::CurrentFolder() const {
  const QModelIndex index = TreeView->currentIndex();
  return index.isValid() ? model_->filePath(index) : QString();
}

void FolderChooserDialog::SelectFolder(const QString& folder) {
  // A folder removed since it was chosen leaves its nearest parent that is still there.
  QString existing = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  while (!QFileInfo(existing).isDir()) {
    const QString parent = QFileInfo(existing).path();
    if (parent == existing) return;
    existing = parent;
  }
  const QModelIndex index = model_->index(existing);
  if (!index.isValid()) return;
  for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) TreeView->expand(p);
  TreeView->setCurrentIndex(index);
  keptInView_ = model_->filePath(index);
  ScrollToSelectedFolder();
}

void FolderChooserDialog::ScrollToSelectedFolder() {
  const QModelIndex index = TreeView->currentIndex();
  if (!index.isValid() || model_->filePath(index) != keptInView_) return;
  TreeView->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void FolderChooserDialog::SelectionChanged() {
  const QString folder = CurrentFolder();
  status_ = owner_.StatusHeader + folder;
  // Only a folder with a path can be confirmed, whichever the flags.
  OkButton->setEnabled(!folder.isEmpty());
  if (!owner_.Option.Has(ChooserOption::StatusText)) status_.clear();
  // Once the user moves elsewhere the view is theirs.
  if (folder != keptInView_) keptInView_.clear();
  ShowStatus();
}

void FolderChooserDialog::ShowStatus() {
  // The plain frame's line is as wide as its text: the fixed-size dialog grows to show the whole path.
  StatusLabel->setText(status_);
  if (!StatusBarLabel) return;
  // In the bar a long path gives up folders, so the chosen folder's name stays in sight; the whole path is the
  // tooltip.
  StatusBarLabel->setText(status_.isEmpty() ? QString()
                                            : FittedStatus(StatusBarLabel->fontMetrics(), owner_.StatusHeader,
                                                           CurrentFolder(), StatusBarLabel->contentsRect().width()));
  StatusBarLabel->setToolTip(status_);
}

bool FolderChooserDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == StatusBarLabel && event->type() == QEvent::Resize) ShowStatus();
  return QDialog::eventFilter(watched, event);
}

void FolderChooserDialog::showEvent(QShowEvent* event) {
  if (firstShowPending_) {
    firstShowPending_ = false;
    if (owner_.UseSavedRect && owner_.savedRect_.isValid()) {
      setGeometry(owner_.savedRect_);
      owner_.savedRectUsed_ = true;
    }
    owner_.PositionDialog(*this);
  }
  QDialog::showEvent(event);
  // Scrolled before the view had its size, the folder may lie outside it.
  ScrollToSelectedFolder();
}

void FolderChooserDialog::done(int result) {
  owner_.savedRect_ = geometry();
  QDialog::done(result);
}

// ---- The chooser --------------------------------------------------------------------------------------------

FolderChooser::FolderChooser(QWidget* owner) : QObject(owner), owner_(owner) {}

bool FolderChooser::CheckScreenPos(int value, int max) {
  if (value >= 0 && value <= max) return true;
  ErrorBox(QStringLiteral("設定値がｽｸﾘｰﾝ座標範囲 (0 ～ %1) を超えています。").arg(max), QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ ｴﾗｰ"));
  return false;
}

void FolderChooser::SetLeft(int value) {
  const QScreen* s = QGuiApplication::primaryScreen();
  if (CheckScreenPos(value, s ? s->geometry().width() : 0)) left_ = value;
}

void FolderChooser::SetTop(int value) {
  const QScreen* s = QGuiApplication::primaryScreen();
  if (CheckScreenPos(value, s ? s->geometry().height() : 0)) top_ = value;
}

void FolderChooser::PositionDialog(QDialog& dialog) {
  if (savedRectUsed_) return;
  const QSize size = dialog.size();
  switch (Position) {
    case DialogPosition::ScreenCenter: {
      const QScreen* s = ScreenOf(owner_);
      if (!s) return;
      const QRect area = s->availableGeometry();
      dialog.move(CenteredStart(area.left(), area.left() + area.width(), size.width()),
                  CenteredStart(area.top(), area.top() + area.height(), size.height()));
      return;
    }
    case DialogPosition::ParentCenter: {
      if (!owner_) return;
      const QRect r = owner_->window()->frameGeometry();
      dialog.move(CenteredStart(r.left(), r.left() + r.width(), size.width()),
                  CenteredStart(r.top(), r.top() + r.height(), size.height()));
      return;
    }
    case DialogPosition::Designed: dialog.move(left_, top_); return;
    case DialogPosition::Default: return;
  }
}

bool FolderChooser::Execute() {
  savedRectUsed_ = false;
  FolderChooserDialog dialog(*this, owner_);
  dialog_ = &dialog;
  const int result = dialog.exec();
  dialog_ = nullptr;
  const QString folder = dialog.CurrentFolder();
  if (result != QDialog::Accepted || folder.isEmpty()) return false;
  ChosenFolder = folder;
  if (OpenDefault) SelectedFolder = folder;
  return true;
}

}  // namespace corvina
