#pragma once
// The burn workers' reports on their way to the window. Any process may send the window the two
// burn messages with any values, so the messages carry nothing the window trusts: a worker leaves
// its text or its progress step here and then rings with the message; the window, on a ring,
// takes the oldest report of that kind, and a ring with nothing waiting does nothing. A worker's
// own report has always arrived before its own ring, so every report is shown once, in order.
#include <deque>
#include <mutex>
#include <string>

namespace qx {

class TBurnMailbox {
public:
  // --- the workers
  void PutText(const std::string& text);
  void PutProgress(int position, int maximum);

  // --- the window thread, on a ring; false when nothing of that kind waits
  bool TakeText(std::string& text);
  bool TakeProgress(int& position, int& maximum);

private:
  struct TProgressStep {
    int Position;
    int Maximum;
  };
  std::mutex Lock;
  std::deque<std::string> Texts;
  std::deque<TProgressStep> Steps;
};

}  // namespace qx
