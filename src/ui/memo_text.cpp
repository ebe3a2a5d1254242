#include "ui/memo_text.h"

namespace qx {

namespace {

bool EndsWithLineBreak(const std::string& text) {
  return text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
}

}  // namespace

std::string MemoPrefill(const TMemoPrefillTexts& texts) {
  const char* const crlf = "\r\n";
  std::string text = texts.Rule + crlf + texts.Ownership + crlf + texts.Credit + crlf +
                     texts.DisclaimerHeading + crlf + texts.Disclaimer + crlf + texts.Rule + crlf;
  for (int i = 0; i < 6; ++i) text += crlf;
  return text + " ";
}

std::string AppendMemoItem(const std::string& memoText, const std::string& item) {
  if (memoText.empty() || EndsWithLineBreak(memoText)) return memoText + item;
  return memoText + "\r\n" + item;
}

}  // namespace qx
