// Placeholder until the "LZH" coder lands: asking for the method fails with a clear message.
#include "archive/codec_state.h"

namespace qx {

struct LzhWork {};
void CodecWorkDeleter::operator()(LzhWork* work) const { delete work; }

void LzhCompress(TCodecState&) { throw EMethodUnavailable("LZH"); }
void LzhExpand(TCodecState&, uint32_t) { throw EMethodUnavailable("LZH"); }

}  // namespace qx
