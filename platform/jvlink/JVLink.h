#pragma once
// The data service's client control as the program sees it: eight synchronous operations on the window
// thread. Texts in and out are CP932 bytes; codes follow the service's conventions (0 = done, negative =
// error) as the calling windows rely on them.
#include <string>

namespace corvina {

class JVLink {
 public:
  virtual ~JVLink() = default;

  // 0 = ready; any other value is a failure shown as a bare code.
  virtual int JVInit(const std::string& sid) = 0;
  // Opens the service's own settings dialog; 0 = done.
  virtual int JVSetUIProperties() = 0;
  // Stored data from `fromTime` ("yyyymmddhhnnss"), option 1 (normal) or 2 (this week). 0 = open, -1 = nothing
  // newer, other negatives = errors. A download count above 0 means files are still downloading.
  virtual int JVOpen(const std::string& dataSpec, const std::string& fromTime, int option, int& readCount,
                     int& downloadCount, std::string& lastFileTimestamp) = 0;
  // Number of files downloaded so far; negative = error.
  virtual int JVStatus() = 0;
  // One record per call: above 0 its size with the record (ending CR LF) in `buff`; 0 = all files read;
  // -1 = the next file begins; -2/-3 = nothing yet, call again; -4 and below = error. `size` is the caller's
  // buffer size (the program passes 60000).
  virtual int JVRead(std::string& buff, int size, std::string& fileName) = 0;
  // Real-time data: "0B30" + RaceKey (odds of one race), "0B12" + DateKey (race records of one day).
  virtual int JVRTOpen(const std::string& dataSpec, const std::string& key) = 0;
  // Ends the current exchange; 0 = done, also when nothing is open.
  virtual int JVClose() = 0;
  // Stops the running download.
  virtual int JVCancel() = 0;
};

// The buffer size every caller passes to JVRead.
inline constexpr int kJVReadBufferSize = 60000;

}  // namespace corvina
