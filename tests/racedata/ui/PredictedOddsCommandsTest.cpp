// The import commands offscreen: generated provider texts packed with jlha (skipped without it), damaged
// archives, the archive dialog's folder and the folder command's setting.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <fstream>
#include <memory>

#include "archive/Paths.h"
#include "components/SettingsFile.h"
#include "components/ui/FolderChooser.h"
#include "platform/LineFile.h"
#include "platform/gui/Dialogs.h"
#include "racedata/DayFiles.h"
#include "racedata/DayModel.h"
#include "racedata/ui/PredictedOddsCommands.h"
#include "tests/support/QtApp.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"
#include "tools/jvgen/Generator.h"

namespace fs = std::filesystem;
using namespace corvina;

namespace {

const QString kUnpackFailed = "データが解凍できませんでした。";

class YosoImport : public ::testing::Test {
 protected:
  void SetUp() override {
    test::App();
    fs::create_directories(dl_);
    fs::create_directories(home_ / "Data");
    model_->AppDir = home_;
    model_->GFrom2005 = true;
    jvgen::Options o;
    o.date = DayName(2006, 3, 12);
    o.yozSource = 'J';
    day_ = jvgen::MakeDay(o);
  }
  void TearDown() override { PredictedOddsCommands::ArchiveDialog = saved_; }

  static bool HaveJlha() { return !QStandardPaths::findExecutable("jlha").isEmpty(); }
  // Packs the files of dl_ into dl_/archive (names without folders) and removes the loose files.
  void Pack(const std::string& archive, const QStringList& files) {
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(dl_.string()));
    p.start("jlha", QStringList{"a", QString::fromStdString(archive)} + files);
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_TRUE(fs::exists(dl_ / archive)) << p.readAllStandardError().toStdString();
    for (const QString& f : files) fs::remove(dl_ / f.toStdString());
  }
  void Readme() { ASSERT_TRUE(SaveFileAtomic(dl_ / "readme.txt", "predicted odds\r\n")); }
  // The import as the button runs it, the dialog answering `archive`.
  void Click(const fs::path& archive) {
    PredictedOddsCommands::ArchiveDialog = [&](QWidget*, const QString& folder, const QString& filter) {
      dialogFolder_ = folder;
      return QString::fromStdString(archive.string());
    };
    PredictedOddsCommands::ChooseAndImportArchive(nullptr, *model_);
  }
  Lines ReadYoz() const {
    Lines lines;
    ReadLines(DayFilePath(home_ / "Data", DayName(2006, 3, 12), ".yoz"), lines);
    return lines;
  }
  Lines Expected(char source) {
    day_.options.yozSource = source;
    Lines out;
    for (const auto& race : day_.races) out.push_back(jvgen::YozLine(day_, race));
    return out;
  }

  test::TempDir dir_{"yosoimport"};
  fs::path dl_ = dir_ / "dl", home_ = dir_ / "home";
  std::unique_ptr<DayModel> model_ = std::make_unique<DayModel>();
  jvgen::Day day_;
  QString dialogFolder_;
  gui::MessageRecorder rec_;
  decltype(PredictedOddsCommands::ArchiveDialog) saved_ = PredictedOddsCommands::ArchiveDialog;
};

TEST_F(YosoImport, PackedProviderTextsBecomeTheDaysFile) {
  if (!HaveJlha()) GTEST_SKIP() << "jlha not installed";
  jvgen::WriteProviders(day_, dl_);
  Readme();
  Pack("OZ060312.lzh", {"readme.txt", "Oz060312.txt"});
  Pack("kd3_jb060312.lzh", {"kol_ods.kd3"});
  // The partial files that unpacking runs killed in the middle left in the folder go, before the unpacking and
  // after it; the file of a run still at work stays, as does a user's file of a like name and whatever lies in
  // the user's folders below it, which the import does not write.
  const int folder = ::open(dl_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  std::string earlier, meanwhile, live, below;
  ::close(archive::CreateHiddenFileAt(folder, earlier));
  fs::create_directory(dl_ / "photos");
  const int photos = ::open((dl_ / "photos").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(photos, 0);
  ::close(archive::CreateHiddenFileAt(photos, below));
  ::close(photos);
  const int held = archive::CreateHiddenFileAt(folder, live);
  ASSERT_TRUE(SaveFileAtomic(dl_ / ".corvina-part-users.txt", "mine"));
  bool earlierWhileUnpacking = true;
  QTimer::singleShot(0, [&] {
    earlierWhileUnpacking = fs::exists(dl_ / earlier);
    ::close(archive::CreateHiddenFileAt(folder, meanwhile));
  });
  Click(dl_ / "OZ060312.lzh");
  EXPECT_FALSE(earlierWhileUnpacking);
  EXPECT_FALSE(fs::exists(dl_ / meanwhile));
  EXPECT_TRUE(fs::exists(dl_ / live));
  EXPECT_TRUE(fs::exists(dl_ / ".corvina-part-users.txt"));
  EXPECT_TRUE(fs::exists(dl_ / "photos" / below));
  ::close(held);
  ::close(folder);
  EXPECT_TRUE(ReadYoz() == Expected('J'));
  EXPECT_EQ(rec_.Beeps(), 0);
  EXPECT_EQ(rec_.Texts(), QStringList{"JRDB基準オッズデータを解凍し、2006年03月12日のデータを保存しました。"
                                      "データを再読込すると反映されます。"});
  EXPECT_FALSE(fs::exists(dl_ / "Oz060312.txt"));
  EXPECT_TRUE(fs::exists(dl_ / "readme.txt")) << "other entries stay where they were unpacked";

  rec_.Clear();
  Click(dl_ / "kd3_jb060312.lzh");
  EXPECT_TRUE(ReadYoz() == Expected('K')) << "the KOL day replaces the JRDB one";
  EXPECT_FALSE(fs::exists(dl_ / "kol_ods.kd3"));
  EXPECT_EQ(rec_.Texts(), QStringList{"KOL予想オッズデータを解凍し、2006年03月12日のデータを保存しました。"
                                      "データを再読込すると反映されます。"});

  // The same archive behind a self-extractor's stub is unpacked as well.
  std::string packed;
  ASSERT_TRUE(ReadFileBytes(dl_ / "OZ060312.lzh", packed));
  fs::create_directories(dl_ / "sfx");
  ASSERT_TRUE(SaveFileAtomic(dl_ / "sfx" / "OZ060312.lzh", "MZ" + std::string(1943, '\0') + packed));
  // The command, given again while the unpacking lets the window's messages run, is not run a second time.
  rec_.Clear();
  bool again = false;
  QTimer::singleShot(0, [&] {
    again = true;
    Click(dl_ / "sfx" / "OZ060312.lzh");
  });
  Click(dl_ / "sfx" / "OZ060312.lzh");
  ASSERT_TRUE(again);
  EXPECT_TRUE(ReadYoz() == Expected('J'));
  EXPECT_EQ(rec_.Texts().size(), 1);
  EXPECT_EQ(rec_.Beeps(), 0);

  // A day file that cannot be saved (a folder in its place) is told, with a beep, and the folder is kept.
  const fs::path yoz = DayFilePath(home_ / "Data", DayName(2006, 3, 12), ".yoz");
  fs::remove(yoz);
  fs::create_directory(yoz);
  rec_.Clear();
  const YozImportResult result = PredictedOddsCommands::ImportArchive(nullptr, dl_ / "OZ060312.lzh", home_, true);
  EXPECT_EQ(result.outcome, YozOutcome::SaveFailed) << "the caller hears what the user was told";
  EXPECT_EQ(rec_.Beeps(), 1);
  ASSERT_EQ(rec_.Texts().size(), 1);
  EXPECT_EQ(rec_.Texts()[0].toStdString(), result.message);
  EXPECT_TRUE(
      rec_.Texts()[0].startsWith("予想配当データを保存できませんでした。\n" + QString::fromStdString(yoz.string())))
      << rec_.Texts()[0].toStdString();
  EXPECT_TRUE(fs::is_directory(yoz));
}

// A damaged archive says so and writes nothing, even when a text of an earlier import lies beside it.
TEST_F(YosoImport, DamagedArchivesWriteNothing) {
  std::vector<std::string> archives = {"", std::string(3000, '\x5a')};
  if (HaveJlha()) {
    jvgen::WriteProviders(day_, dl_);
    Readme();
    Pack("packed.lzh", {"readme.txt", "Oz060312.txt"});
    std::string whole;
    ASSERT_TRUE(ReadFileBytes(dl_ / "packed.lzh", whole));
    archives.push_back(whole.substr(0, 30));                // inside the first header
    archives.push_back(whole.substr(0, whole.size() / 3));  // the readme whole, the provider text cut
  }
  if (!QStandardPaths::findExecutable("zip").isEmpty()) {
    // A ZIP download cut short after the provider text: the text is whole, the archive is not.
    jvgen::WriteProviders(day_, dl_);
    Readme();
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(dl_.string()));
    p.start("zip", QStringList{"-q", "-X", "packed.zip", "Oz060312.txt", "readme.txt"});
    ASSERT_TRUE(p.waitForFinished(120000));
    std::string whole;
    ASSERT_TRUE(ReadFileBytes(dl_ / "packed.zip", whole));
    archives.push_back(whole.substr(0, whole.size() - 30));
  }
  for (size_t i = 0; i < archives.size(); ++i) {
    rec_.Clear();
    const fs::path folder = dl_ / ("case" + std::to_string(i));
    fs::create_directories(folder);
    ASSERT_TRUE(SaveFileAtomic(folder / "OZ060312.lzh", archives[i]));
    ASSERT_TRUE(SaveFileAtomic(folder / "Oz060312.txt", "0605312113\r\n"));
    Click(folder / "OZ060312.lzh");
    EXPECT_EQ(rec_.Texts(), QStringList{kUnpackFailed}) << i;
    EXPECT_EQ(rec_.Beeps(), 1) << i;
    EXPECT_FALSE(fs::exists(folder / "Oz060312.txt")) << i;
    EXPECT_TRUE(fs::is_empty(home_ / "Data")) << i;
  }
}

// A disk without room for the provider's text: the unpacking fails with the reason, as the file layer tells a
// full disk.
TEST_F(YosoImport, AFullDiskIsToldWithItsReason) {
  if (!HaveJlha()) GTEST_SKIP() << "jlha not installed";
  jvgen::WriteProviders(day_, dl_);
  Pack("OZ060312.lzh", {"Oz060312.txt"});
  std::string packed;
  ASSERT_TRUE(ReadFileBytes(dl_ / "OZ060312.lzh", packed));
  const fs::path small = dir_ / "small";
  fs::create_directory(small);
  const auto run = test::RunOnSmallDisk(small, "64k", [&](std::string& told) {
    // The archive, then a file that takes every byte left.
    if (!SaveFileAtomic(small / "OZ060312.lzh", packed)) return false;
    {
      std::ofstream filler(small / "filler.bin", std::ios::binary);
      const std::string block(4096, 'f');
      while (filler.write(block.data(), std::streamsize(block.size())) && filler.flush()) {
      }
    }
    rec_.Clear();
    PredictedOddsCommands::ImportArchive(nullptr, small / "OZ060312.lzh", home_, true);
    told = rec_.Texts().join("|").toStdString() + "|" + std::to_string(rec_.Beeps());
    return !fs::exists(small / "Oz060312.txt") && fs::is_empty(home_ / "Data");
  });
  if (!run) GTEST_SKIP() << "no small file system can be mounted here";
  EXPECT_TRUE(run->passed);
  EXPECT_EQ(run->told, kUnpackFailed.toStdString() + "\nディスクの空きが足りないため " +
                           (small / "Oz060312.txt").string() + " を保存できません。|1");
}

TEST_F(YosoImport, ArchiveWithoutProviderTextEndsSilently) {
  if (!HaveJlha()) GTEST_SKIP() << "jlha not installed";
  Readme();
  Pack("OZ060312.lzh", {"readme.txt"});
  Click(dl_ / "OZ060312.lzh");
  EXPECT_TRUE(rec_.Texts().isEmpty());
  EXPECT_EQ(rec_.Beeps(), 0);
  EXPECT_TRUE(fs::is_empty(home_ / "Data"));
}

TEST_F(YosoImport, DialogOpensInTheSettingFolderAndMatchesMasksInAnyCase) {
  Click({});
  EXPECT_EQ(dialogFolder_.toStdString(), home_.string()) << "no archive folder yet: the program folder";
  fs::create_directories(home_ / "ylzh");
  Click({});
  EXPECT_EQ(dialogFolder_.toStdString(), (home_ / "ylzh").string());
  SettingsFile ini;
  ini.SetFileName((home_ / std::string(kSettingsFileName)).string());
  ini.WriteString("Dir", "yoso", dl_.string());
  Click({});
  EXPECT_EQ(dialogFolder_.toStdString(), dl_.string());
  EXPECT_TRUE(rec_.Texts().isEmpty()) << "cancel does nothing";

  // The program's own dialog: titled "開く", in the folder given, offering existing files only; it gives the chosen
  // file, and nothing when cancelled.
  ASSERT_TRUE(SaveFileAtomic(dl_ / "OZ060312.lzh", "x"));
  for (const bool accept : {true, false}) {
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->windowTitle(), "開く");
      EXPECT_EQ(dialog->directory().absolutePath().toStdString(), dl_.string());
      EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
      QStringList shownFilters;
      for (const QComboBox* box : dialog->findChildren<QComboBox*>())
        for (int i = 0; i < box->count(); ++i) shownFilters << box->itemText(i);
      EXPECT_TRUE(shownFilters.contains("KOL3ｵｯｽﾞ（kd3_jb*.lzh）,KOL2ｵｯｽﾞ（j*.lzh）,JRDBｵｯｽﾞ(OZ*.lzh)"))
          << "the filter is shown without its patterns: " << shownFilters.join(" / ").toStdString();
      dialog->selectFile(QString::fromStdString((dl_ / "OZ060312.lzh").string()));
      QDialog* asked = dialog;  // QDialog's accept() and reject() are public
      accept ? asked->accept() : asked->reject();
    });
    const QString chosen = saved_(nullptr, QString::fromStdString(dl_.string()), PredictedOddsCommands::kArchiveFilter);
    EXPECT_EQ(chosen.toStdString(), accept ? (dl_ / "OZ060312.lzh").string() : "");
  }

  const QString f = PredictedOddsCommands::kArchiveFilter;
  const QStringList masks = f.mid(f.lastIndexOf('(') + 1).chopped(1).split(' ');
  auto matches = [&](const QString& name) {
    for (const QString& m : masks)
      if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(m)).match(name).hasMatch()) return true;
    return false;
  };
  for (const char* yes : {"OZ060312.lzh", "oz060312.LZH", "kd3_jb0312.lzh", "KD3_JB0312.LZH", "j0312.lzh", "J0312.Lzh"})
    EXPECT_TRUE(matches(yes)) << yes;
  for (const char* no : {"x0312.lzh", "OZ060312.zip", "kol_ods.kd3"}) EXPECT_FALSE(matches(no)) << no;
}

// The folder command stores the chosen folder; a name the settings file cannot spell, or a settings file that
// cannot be written, is told to the user and leaves the setting as it was.
TEST_F(YosoImport, FolderCommandStoresTheChosenFolder) {
  FolderChooser viewer;
  viewer.OpenDefault = true;
  auto choose = [&](bool ok, const fs::path& folder) {
    QTimer::singleShot(0, [&, ok] {
      FolderChooserDialog& d = *viewer.Dialog();
      EXPECT_EQ(d.windowTitle(), "単勝予想配当ﾃﾞｰﾀﾌｫﾙﾀﾞの指定");
      d.SelectFolder(QString::fromStdString(folder.string()));
      (ok ? d.OkButton : d.CancelButton)->click();
    });
    PredictedOddsCommands::ChooseArchiveFolder(nullptr, viewer, home_);
  };
  choose(false, dl_);
  EXPECT_EQ(PredictedOddsCommands::ArchiveFolder(home_), home_ / "ylzh");
  EXPECT_EQ(viewer.SelectedFolder.toStdString(), (home_ / "ylzh").string());
  EXPECT_TRUE(rec_.Texts().isEmpty());
  choose(true, dl_);
  EXPECT_EQ(PredictedOddsCommands::ArchiveFolder(home_), dl_);
  EXPECT_TRUE(rec_.Texts().isEmpty());

  const fs::path unspellable = dir_ / "d\xC3\xA9j\xC3\xA0";  // "déjà": no CP932 letters for it
  fs::create_directories(unspellable);
  choose(true, unspellable);
  EXPECT_EQ(rec_.Texts(),
            QStringList{"このﾌｫﾙﾀﾞ名は設定ﾌｧｲﾙに保存できません。\n" + QString::fromStdString(unspellable.string())});
  EXPECT_EQ(rec_.Beeps(), 1);
  EXPECT_EQ(PredictedOddsCommands::ArchiveFolder(home_), dl_);

  // A folder where the settings file belongs: no user, root included, may write it.
  rec_.Clear();
  fs::remove(home_ / "corvina.ini");
  fs::create_directory(home_ / "corvina.ini");
  choose(true, dir_.path());
  ASSERT_EQ(rec_.Messages().size(), 1u);
  EXPECT_EQ(rec_.Messages()[0].kind, gui::MsgKind::Error);
  EXPECT_TRUE(rec_.Texts()[0].contains("corvina.ini")) << rec_.Texts()[0].toStdString();
}

}  // namespace
