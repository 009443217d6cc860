#pragma once
// Windows of the import and of the real-time reader that keep what they were asked to show.
#include <functional>
#include <string>
#include <vector>

#include "platform/Cp932.h"
#include "racedata/RealTime.h"
#include "racedata/StoredImport.h"

namespace corvina::testing {

// Keeps what the import did to its window, as UTF-8 texts.
struct RecordingImportUi : StoredImportUi {
  std::vector<std::string> informs, labels, list;
  int beeps = 0;
  bool timer = false, busy = false, answer = true;
  int downloadPos = -1, downloadMax = -1, readPos = -1, readMax = -1;
  std::vector<DateTime> shown;
  std::function<void()> onMessages;

  void Beep() override { ++beeps; }
  void Inform(const std::string& t) override { informs.push_back(FromCp932(t)); }
  std::vector<bool> timerWhenAsked;  // the status timer's state at each question
  bool Confirm(const std::string&) override {
    timerWhenAsked.push_back(timer);
    return answer;
  }
  void SetProgressLabel(const std::string& t) override { labels.push_back(FromCp932(t)); }
  void SetDownloadBar(int p, int m) override { downloadPos = p, downloadMax = m; }
  void SetReadBar(int p, int m) override { readPos = p, readMax = m; }
  void ClearList() override { list.clear(); }
  void AddListLine(const std::string& t) override { list.push_back(FromCp932(t)); }
  void RemoveListLines(const std::vector<int>& rows) override {
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) list.erase(list.begin() + *row);
  }
  void SetStatusTimer(bool on) override { timer = on; }
  void SetBusyCursor(bool on) override { busy = on; }
  void ShowStartTime(const DateTime& t) override { shown.push_back(t); }
  void ProcessMessages() override {
    if (onMessages) onMessages();
  }
};

// Keeps what the reader showed, as UTF-8 texts.
struct RecordingRealTimeUi : RealTimeUi {
  std::vector<std::string> labels, informs;
  int beeps = 0;
  std::function<void()> onMessages;
  void Beep() override { ++beeps; }
  void SetStatusLabel(const std::string& t) override { labels.push_back(FromCp932(t)); }
  void Inform(const std::string& t) override { informs.push_back(FromCp932(t)); }
  void ProcessMessages() override {
    if (onMessages) onMessages();
  }
};

}  // namespace corvina::testing
