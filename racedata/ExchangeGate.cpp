#include "racedata/ExchangeGate.h"

#include <exception>

namespace corvina {

struct ExchangeGate::Exit {
  ExchangeGate& gate;
  ~Exit() {
    // Unwinding from a failed exchange: free the gate; what waits runs with the next exchange.
    if (std::uncaught_exceptions() > 0)
      gate.busy_ = false;
    else
      gate.Leave();
  }
};

void ExchangeGate::Run(std::function<void()> work) {
  if (!TryEnter()) {
    pending_.push_back(std::move(work));
    return;
  }
  Exit exit{*this};
  work();
}

bool ExchangeGate::TryEnter() {
  if (busy_) return false;
  busy_ = true;
  return true;
}

void ExchangeGate::Leave() {
  if (!busy_) return;
  // Still held while the waiting work runs, so what it queues in turn waits for it too.
  while (!pending_.empty()) {
    auto next = std::move(pending_.front());
    pending_.pop_front();
    next();
  }
  busy_ = false;
}

}  // namespace corvina
