#include <gtest/gtest.h>

#include <string>

#include "session/cleanup_batch.h"

using namespace qx;

namespace {

TCleanupBatchInputs Batch(bool deleteApplet, bool deleteAspi, const std::string& folder = "C:\\Disc\\") {
  TCleanupBatchInputs in;
  in.AppletFolder = folder;
  in.AppletFileName = "Burn Me.exe";
  in.BatchPath = folder + "qx1e.bat";
  in.DeleteApplet = deleteApplet;
  in.DeleteAspi = deleteAspi;
  return in;
}

}  // namespace

// One row per kind of session end: what the batch retries follows from the two switches.
TEST(CleanupBatch, LinesForEachKindOfSessionEnd) {
  const std::string head = "@echo off\r\ncd \"C:\\Disc\\\"\r\n";
  const std::string applet = ":try\r\ndel \"Burn Me.exe\"\r\nif exist \"Burn Me.exe\" goto try\r\n";
  const std::string aspi = ":try2\r\ndel \"wnaspi32.dll\"\r\nif exist \"wnaspi32.dll\" goto try2\r\n";
  const std::string tail = "del \"C:\\Disc\\qx1e.bat\"\r\nexit\r\n";
  struct Row {
    const char* end;
    bool deleteApplet, deleteAspi;
    std::string expected;
  } rows[] = {
      {"disc completed, own ASPI layer", true, true, head + applet + aspi + tail},
      {"disc completed, applet kept by the history", false, true, head + aspi + tail},
      {"cancelled, own ASPI layer", false, true, head + aspi + tail},
      {"no ASPI layer, or the end of a recording", false, false, head + tail},
      {"disc completed, no own ASPI layer", true, false, head + applet + tail},
  };
  for (const Row& row : rows)
    EXPECT_EQ(CleanupBatchText(Batch(row.deleteApplet, row.deleteAspi)), row.expected) << row.end;
}

// The command interpreter expands "%" even inside quotes: doubled, it stands for itself.
TEST(CleanupBatch, DoublesPercentSignsInTheFolderAndTheBatchPath) {
  const std::string text = CleanupBatchText(Batch(true, false, "C:\\Disc 100%\\"));
  EXPECT_NE(text.find("cd \"C:\\Disc 100%%\\\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("del \"C:\\Disc 100%%\\qx1e.bat\"\r\n"), std::string::npos);
}

TEST(CleanupBatch, OwnAspiLayerIsVersionFiveOrAbove) {
  EXPECT_TRUE(IsOwnAspiVersion("5.0"));
  EXPECT_TRUE(IsOwnAspiVersion("6"));  // a file without version information
  EXPECT_TRUE(IsOwnAspiVersion("9.99(1)"));
  EXPECT_FALSE(IsOwnAspiVersion("4.60"));
  EXPECT_FALSE(IsOwnAspiVersion("10.0"));  // the rule looks at the first character only
  EXPECT_FALSE(IsOwnAspiVersion(""));
}
