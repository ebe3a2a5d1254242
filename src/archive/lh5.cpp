// Placeholder until the "LH5" coder lands: asking for the method fails with a clear message.
#include "archive/codec_state.h"

namespace qx {

struct Lh5Work {};
void CodecWorkDeleter::operator()(Lh5Work* work) const { delete work; }

void Lh5Compress(TCodecState&) { throw EMethodUnavailable("LH5"); }
void Lh5Expand(TCodecState&, uint32_t) { throw EMethodUnavailable("LH5"); }

}  // namespace qx
