#pragma once
// The one ordered list of events that every fake of a test world writes to, so that a test checks
// the order of calls across the view, the host, the library and the seams. Safe to write from the
// burn workers; the test reads it once they have ended.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace qx::fakes {

struct TEventLog {
  std::vector<std::string> Events;
  // Set by a host whose process has ended: every later call fails the test.
  bool ProcessEnded = false;

  void Log(const std::string& event) {
    std::lock_guard<std::mutex> guard(Lock);
    if (ProcessEnded) ADD_FAILURE() << "call after the process ended: " << event;
    Events.push_back(event);
  }
  bool Has(const std::string& event) const {
    return std::find(Events.begin(), Events.end(), event) != Events.end();
  }
  int Count(const std::string& event) const {
    return static_cast<int>(std::count(Events.begin(), Events.end(), event));
  }
  // Position of the first event that is exactly `event`; -1 when none.
  int Position(const std::string& event) const {
    const auto it = std::find(Events.begin(), Events.end(), event);
    return it == Events.end() ? -1 : static_cast<int>(it - Events.begin());
  }
  // Position of the first event that starts with the prefix; -1 when none.
  int IndexOf(const std::string& prefix) const {
    for (std::size_t i = 0; i < Events.size(); ++i)
      if (Events[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
  }
  // The events that start with the prefix, in order.
  std::vector<std::string> Matching(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& e : Events)
      if (e.rfind(prefix, 0) == 0) found.push_back(e);
    return found;
  }

private:
  std::mutex Lock;
};

}  // namespace qx::fakes
