#include "res/texts.h"

namespace qx {

const TextEntry kTexts[] = {
#define QX_TEXT(symbol, id, text) {id, text},
#include "res/texts.def"
#undef QX_TEXT
};

const std::size_t kTextCount = sizeof(kTexts) / sizeof(kTexts[0]);

const char* TextById(unsigned id) {
  for (std::size_t i = 0; i < kTextCount; ++i)
    if (kTexts[i].Id == id) return kTexts[i].Text;
  return nullptr;
}

}  // namespace qx
