#pragma once
// The session's result code: one per session, the process's exit code, the history value
// "BBResult" and the report's "r=". The session decides it; a recording hands its part back in
// its outcome.
#include <cstdint>

namespace qx {

enum TResultCode : int32_t {
  rsUndecided = -1,       // nothing decided yet
  rsCompleted = 0,        // the disc was completed
  rsCancelled = 1,        // cancelled, or no project folder named
  rsFilesMissing = 2,     // "qxorig.qx" missing, or the project folder is not there
  rsDiskSpace = 3,        // not enough free disk space
  rsNoAspi = 4,           // no usable ASPI layer
  rsNoBlankDisc = 5,      // no blank disc
  rsNoWriteMethod = 6,    // the write-mode query failed, or no track-at-once
  rsRecordingFailed = 7,  // the write failed
  rsNoRecorder = 8,       // the engine or the recorder failed, or no recorder answers
  rsNeedsAdmin = 11,      // the recorder needs administrative rights
  rsNotReady = 76,        // the drive is not ready when the recording is to start
};

}  // namespace qx
