#pragma once
// The text rules of the status memo: its opening text and how items are appended.
#include <string>

namespace qx {

// The texts the memo opens with.
struct TMemoPrefillTexts {
  std::string Rule;
  std::string Ownership;
  std::string Credit;
  std::string DisclaimerHeading;
  std::string Disclaimer;
};

// The memo's opening text: a rule, the ownership notice, the credit line, the disclaimer heading
// and text, a second rule, six empty lines and one line holding a single blank.
std::string MemoPrefill(const TMemoPrefillTexts& texts);

// The memo text after appending one item: the item starts on a line of its own. An item may
// carry its own CR LF pairs; one that ends in CR LF gets no second line break before the next.
std::string AppendMemoItem(const std::string& memoText, const std::string& item);

}  // namespace qx
