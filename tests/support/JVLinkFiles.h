#pragma once
// Shared helpers of the JV-Link tests: small file helpers, a clock guard and records of the imported kinds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/LineFile.h"
#include "platform/Text.h"
#include "platform/jvlink/ScriptedJVLink.h"
#include "tests/support/TempDir.h"

namespace corvina::testing {

inline void WriteText(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

inline Lines FileLines(const std::filesystem::path& file) {
  Lines lines;
  ReadLines(file, lines);
  return lines;
}

inline std::string U(const char* utf8) { return ToCp932(utf8); }

// The last line of the program's error log in `appDir`; empty when there is none.
inline std::string LastErrorLogLine(const std::filesystem::path& appDir) {
  const Lines lines = FileLines(appDir / "ErrorLog.txt");
  return lines.empty() ? std::string() : lines.back();
}

// Whether the stand-in was called exactly so, e.g. "JVRTOpen(0B12,20240106)=0".
inline bool Called(const ScriptedJVLink& link, const std::string& call) {
  return std::find(link.calls.begin(), link.calls.end(), call) != link.calls.end();
}

// Sets the clock for one test and puts the system clock back afterwards.
struct ClockGuard {
  explicit ClockGuard(const DateTime& t) { Clock::Set(t); }
  ~ClockGuard() { Clock::Reset(); }
};

// A record of `length` bytes (without CR LF) with the fields the writers look at.
inline std::string Record(const std::string& kind, char dataKind, const std::string& raceKey, int length, int horse = 0,
                          const std::string& announce = "") {
  std::string rec = kind + std::string(1, dataKind) + "20240101" + raceKey;
  if (horse > 0)
    rec += "1" + FormatZero(horse, 2);
  else
    rec += announce;
  rec.resize(static_cast<size_t>(length), 'x');
  return rec;
}
inline std::string RA(const std::string& raceKey, char dataKind = '2') { return Record("RA", dataKind, raceKey, 1270); }
inline std::string SE(const std::string& raceKey, int horse, char dataKind = '2') {
  return Record("SE", dataKind, raceKey, 553, horse);
}
inline std::string HR(const std::string& raceKey, char dataKind = '2') { return Record("HR", dataKind, raceKey, 717); }
inline std::string O1(const std::string& raceKey, const std::string& announce) {
  return Record("O1", '1', raceKey, 960, 0, announce);
}
inline std::string O2(const std::string& raceKey, const std::string& announce) {
  return Record("O2", '1', raceKey, 2040, 0, announce);
}

}  // namespace corvina::testing
