#pragma once
// A test double of JV-Link: every exchange is scripted in advance (open result, counts, status steps and read
// results), every call is logged with its arguments and result, and a hook can run inside any call so tests
// can fire timer handlers in the middle of an exchange.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/jvlink/JVLink.h"

namespace corvina {

struct ScriptedRead {
  int code = 0;        // JVRead's result
  std::string record;  // given out when code > 0
  std::string fileName;

  // A record line served as the service does: with CR LF, the result being its size.
  static ScriptedRead Record(const std::string& line, const std::string& fileName = "");
  static ScriptedRead Code(int code) { return ScriptedRead{code, {}, {}}; }
};

struct ScriptedExchange {
  int openResult = 0;
  int readCount = 0;
  int downloadCount = 0;
  std::string lastFileTimestamp;
  // Successive JVStatus results; once used up, JVStatus returns downloadCount.
  std::vector<int> statusResults;
  // Successive JVRead results; once used up, JVRead returns 0.
  std::vector<ScriptedRead> reads;
};

class ScriptedJVLink : public JVLink {
 public:
  int initResult = 0;
  int setUIResult = 0;
  int cancelResult = 0;
  // Successive JVClose results; once used up, 0.
  std::deque<int> closeResults;
  // Called with the operation's name inside every call, after the result is known and logged.
  std::function<void(const std::string& op)> onCall;
  // One line per call: "Op(args)=result".
  std::vector<std::string> calls;

  // Queues the script of the next JVOpen / JVRTOpen. With none queued, an open returns -1.
  void AddExchange(ScriptedExchange exchange) { pending_.push_back(std::move(exchange)); }
  bool IsOpen() const { return open_; }
  int CountCalls(const std::string& op) const;
  // Operation names only, in call order ("JVOpen", "JVRead", ...).
  std::vector<std::string> Ops() const;

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
  int Log(const std::string& op, const std::string& args, int result);
  bool StartExchange(int& result);

  std::deque<ScriptedExchange> pending_;
  ScriptedExchange current_;
  size_t statusPos_ = 0, readPos_ = 0;
  bool open_ = false;
};

}  // namespace corvina
