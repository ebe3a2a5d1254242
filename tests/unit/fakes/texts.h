#pragma once
// Expected texts by id, from the one text table, so that no test spells a text of the program.
#include <string>

#include "res/texts.h"

namespace qx::fakes {

inline std::string Text(unsigned id) {
  const char* text = TextById(id);
  return text ? text : "";
}

// The buttons' captions.
inline const std::string kCaptionOk = Text(IDS_BUTTON_OK);
inline const std::string kCaptionCancel = Text(IDS_BUTTON_CANCEL);
inline const std::string kCaptionPleaseWait = Text(IDS_BUTTON_PLEASE_WAIT);
inline const std::string kCaptionYes = Text(IDS_BUTTON_YES);
inline const std::string kCaptionNo = Text(IDS_BUTTON_NO);
inline const std::string kCaptionHelpPlain = Text(IDS_BUTTON_HELP_PLAIN);
inline const std::string kCaptionCancelPlain = Text(IDS_BUTTON_CANCEL_PLAIN);

// The library's message for a result code that has one.
inline std::string LibraryMessage(int code) {
  return Text(IDS_RWLIB_RESULT_BASE + static_cast<unsigned>(code));
}

}  // namespace qx::fakes
