#pragma once
// The user-visible texts as a table that portable code and native tests can read. The same
// definitions become the applet's string table, so a text is never typed twice.
#include <cstddef>

namespace qx {

enum TextId : unsigned {
#define QX_TEXT(symbol, id, text) symbol = id,
#include "res/texts.def"
#undef QX_TEXT
};

struct TextEntry {
  unsigned Id;
  const char* Text;
};

// All texts in definition order.
extern const TextEntry kTexts[];
extern const std::size_t kTextCount;

// The text of an id, or nullptr when the id is not defined.
const char* TextById(unsigned id);

}  // namespace qx
