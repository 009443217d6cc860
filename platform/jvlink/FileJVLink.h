#pragma once
// A stand-in for the data service's client that serves a folder of record files, so the program runs end to
// end on Linux and tests can play a whole race day. The layout and rules are in this folder's README.md.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/jvlink/JVLink.h"

namespace corvina {

class FileJVLink : public JVLink {
 public:
  // The root folder: $CORVINA_JVLINK_ROOT when set, else `appDir`/jvlink.
  static std::filesystem::path DefaultRoot(const std::filesystem::path& appDir);
  // The start-up presence test: the root folder exists.
  static bool Present(const std::filesystem::path& root);

  explicit FileJVLink(std::filesystem::path root);

  int JVInit(const std::string& sid) override;
  int JVSetUIProperties() override;
  int JVOpen(const std::string& dataSpec, const std::string& fromTime, int option, int& readCount, int& downloadCount,
             std::string& lastFileTimestamp) override;
  int JVStatus() override;
  int JVRead(std::string& buff, int size, std::string& fileName) override;
  int JVRTOpen(const std::string& dataSpec, const std::string& key) override;
  int JVClose() override;
  int JVCancel() override;

 private:
  enum class Kind { None, Stored, RealTime };

  struct StoredFile {
    std::string stamp;  // "yyyymmddhhnnss" from the name
    std::string name;   // file name
    bool downloaded = false;
  };

  struct Fault {
    int code = 0;
    int nth = 0;  // 0 = every call; else only the n-th matching call
  };

  struct Exchange {
    Kind kind = Kind::None;
    std::string dataSpec;
    std::vector<StoredFile> files;         // stored data, in stamp order
    size_t fileIndex = 0;                  // file being read
    std::vector<std::string> records;      // records of the file being read (stored) or of the whole answer (real time)
    std::vector<std::string> recordFiles;  // file name per record (real time)
    size_t recordIndex = 0;
    bool fileLoaded = false;
    int downloadCount = 0;
    int downloaded = 0;
    int busyLeft = 0;  // leading "call again" answers of a real-time exchange
    bool cancelled = false;
  };

  void LoadSettings();
  // The forced result of `op` on `dataSpec` from [faults], when one applies to this call.
  bool ForcedResult(const std::string& op, const std::string& dataSpec, int& code);
  int Trace(const std::string& op, const std::string& args, int result, const std::string& extra = "");
  std::filesystem::path StoredDir(const std::string& dataSpec, const char* side) const;
  void DownloadNext();
  int ReadStored(std::string& buff, int size, std::string& fileName);
  int ReadRealTime(std::string& buff, int size, std::string& fileName);
  int Deliver(const std::string& record, const std::string& name, int size, std::string& buff, std::string& fileName);
  bool CollectOdds(const std::string& key);
  bool CollectRaceRecords(const std::string& key);

  std::filesystem::path root_;
  bool initialized_ = false;
  Exchange ex_;
  std::map<std::string, Fault> faults_;
  std::map<std::string, int> faultCalls_;
  int perCall_ = 1;
  bool noDownload_ = false;
  int rtBusy_ = 0;
  bool settingsLoaded_ = false;
  std::string settingsText_;
};

}  // namespace corvina
