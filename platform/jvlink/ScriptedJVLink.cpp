#include "platform/jvlink/ScriptedJVLink.h"

namespace corvina {

ScriptedRead ScriptedRead::Record(const std::string& line, const std::string& fileName) {
  std::string rec = line + "\r\n";
  return ScriptedRead{static_cast<int>(rec.size()), rec, fileName};
}

int ScriptedJVLink::CountCalls(const std::string& op) const {
  int n = 0;
  for (const auto& op2 : Ops()) n += op2 == op;
  return n;
}

std::vector<std::string> ScriptedJVLink::Ops() const {
  std::vector<std::string> ops;
  for (const auto& c : calls) ops.push_back(c.substr(0, c.find('(')));
  return ops;
}

int ScriptedJVLink::Log(const std::string& op, const std::string& args, int result) {
  calls.push_back(op + "(" + args + ")=" + std::to_string(result));
  if (onCall) onCall(op);
  return result;
}

bool ScriptedJVLink::StartExchange(int& result) {
  if (pending_.empty()) {
    result = -1;
    return false;
  }
  current_ = std::move(pending_.front());
  pending_.pop_front();
  statusPos_ = readPos_ = 0;
  result = current_.openResult;
  open_ = result == 0;
  return open_;
}

int ScriptedJVLink::JVInit(const std::string& sid) { return Log("JVInit", sid, initResult); }

int ScriptedJVLink::JVSetUIProperties() { return Log("JVSetUIProperties", "", setUIResult); }

int ScriptedJVLink::JVOpen(const std::string& dataSpec, const std::string& fromTime, int option, int& readCount,
                           int& downloadCount, std::string& lastFileTimestamp) {
  int result = 0;
  StartExchange(result);
  readCount = result == 0 ? current_.readCount : 0;
  downloadCount = result == 0 ? current_.downloadCount : 0;
  lastFileTimestamp = result == 0 ? current_.lastFileTimestamp : "";
  return Log("JVOpen", dataSpec + "," + fromTime + "," + std::to_string(option), result);
}

int ScriptedJVLink::JVStatus() {
  int result = current_.downloadCount;
  if (statusPos_ < current_.statusResults.size()) result = current_.statusResults[statusPos_++];
  return Log("JVStatus", "", result);
}

int ScriptedJVLink::JVRead(std::string& buff, int size, std::string& fileName) {
  buff.clear();
  fileName.clear();
  int result = 0;
  if (open_ && readPos_ < current_.reads.size()) {
    const ScriptedRead& r = current_.reads[readPos_++];
    result = r.code;
    if (result > 0) buff = r.record;
    fileName = r.fileName;
  }
  return Log("JVRead", std::to_string(size), result);
}

int ScriptedJVLink::JVRTOpen(const std::string& dataSpec, const std::string& key) {
  int result = 0;
  StartExchange(result);
  return Log("JVRTOpen", dataSpec + "," + key, result);
}

int ScriptedJVLink::JVClose() {
  open_ = false;
  int result = 0;
  if (!closeResults.empty()) {
    result = closeResults.front();
    closeResults.pop_front();
  }
  return Log("JVClose", "", result);
}

int ScriptedJVLink::JVCancel() { return Log("JVCancel", "", cancelResult); }

}  // namespace corvina
