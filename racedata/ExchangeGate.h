#pragma once
// The guard that keeps the program to one exchange with JV-Link at a time.
#include <deque>
#include <functional>

namespace corvina {

// One exchange with the one JV-Link control at a time. Work asked for while an exchange runs (a timer tick
// that fires inside a read loop) waits in order and runs as soon as the running one ends; it is never dropped.
class ExchangeGate {
 public:
  // Runs `work` now, or after the running exchange and the work queued before it.
  void Run(std::function<void()> work);
  // For an exchange that spans several handlers (the import window's download): holds the gate; false when
  // another exchange holds it. Leave ends the hold and runs what waited.
  bool TryEnter();
  void Leave();
  bool Busy() const { return busy_; }
  size_t Pending() const { return pending_.size(); }

 private:
  struct Exit;
  bool busy_ = false;
  std::deque<std::function<void()>> pending_;
};

}  // namespace corvina
