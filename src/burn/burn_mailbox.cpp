#include "burn/burn_mailbox.h"

namespace qx {

void TBurnMailbox::PutText(const std::string& text) {
  std::lock_guard<std::mutex> guard(Lock);
  Texts.push_back(text);
}

void TBurnMailbox::PutProgress(int position, int maximum) {
  std::lock_guard<std::mutex> guard(Lock);
  Steps.push_back({position, maximum});
}

bool TBurnMailbox::TakeText(std::string& text) {
  std::lock_guard<std::mutex> guard(Lock);
  if (Texts.empty()) return false;
  text = std::move(Texts.front());
  Texts.pop_front();
  return true;
}

bool TBurnMailbox::TakeProgress(int& position, int& maximum) {
  std::lock_guard<std::mutex> guard(Lock);
  if (Steps.empty()) return false;
  position = Steps.front().Position;
  maximum = Steps.front().Maximum;
  Steps.pop_front();
  return true;
}

}  // namespace qx
