#pragma once
// Building an applet: the bare stub followed by an archive of the support files. Shared by the
// applet's build modes and by "qxarc applet", so both write the same bytes.
#include <cstdint>

#include "archive/archiver.h"
#include "base/applet_layout.h"

namespace qx {

// Raised when the stub has fewer than kPayloadOffset bytes.
class EStubTooShort : public Exception {
public:
  EStubTooShort() : Exception("The stub is shorter than 722432 bytes") {}
};

// Copies the first kPayloadOffset bytes of stub to out, from the start of both streams.
void WriteStub(TStream& stub, TStream& out);

// Appends a new archive of files (full paths) to the end of out with the archiver's settings
// (TargetPath, key, events). The list ends holding the stored names of the members written.
// Returns the archive's start offset.
int64_t AppendPayload(TArchiver& archiver, TStream& out, TStringList& files, TCompressMethod method);

}  // namespace qx
