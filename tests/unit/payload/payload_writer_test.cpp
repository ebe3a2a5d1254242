// Building an applet: the stub's first bytes, then an archive appended at the payload offset.
#include <gtest/gtest.h>

#include <vector>

#include "../archive/memory_file_system.h"
#include "archive/memory_stream.h"
#include "payload/payload_writer.h"

using namespace qx;

TEST(PayloadWriter, StubHeadThenAnArchiveAtThePayloadOffset) {
  std::vector<uint8_t> stub(kPayloadOffset + 300);
  for (size_t i = 0; i < stub.size(); ++i) stub[i] = static_cast<uint8_t>(i * 31);
  MemoryFileSystem fs;
  fs.AddFile("C:\\app\\qxorig.qx", {'[', 'T', ']'});
  fs.AddFile("C:\\app\\RwLib.dll", std::vector<uint8_t>(5000, 'R'));
  TArchiver archiver;
  archiver.FileSystem = &fs;
  archiver.SetTargetPath("C:\\app");

  TMemoryStream stubStream(stub), out;
  WriteStub(stubStream, out);
  TStringList files;
  files.Add("C:\\app\\qxorig.qx");
  files.Add("C:\\app\\RwLib.dll");
  // RLE stands in for LH5 here: the appending is the same for every method.
  EXPECT_EQ(AppendPayload(archiver, out, files, cmRLE), kPayloadOffset);

  ASSERT_GT(out.Bytes.size(), static_cast<size_t>(kPayloadOffset));
  EXPECT_TRUE(std::equal(out.Bytes.begin(), out.Bytes.begin() + kPayloadOffset, stub.begin()));
  out.SetPosition(kPayloadOffset);
  TStringList listing;
  archiver.ScanArchive(out, listing);
  ASSERT_EQ(listing.Count(), 2);
  EXPECT_EQ(listing.Strings(0), "qxorig.qx");
  EXPECT_EQ(listing.Strings(1), "RwLib.dll");
  EXPECT_EQ(static_cast<const TArchiveEntryInfo*>(listing.Objects(1))->HeaderOffset,
            static_cast<uint32_t>(kPayloadOffset + 21 + 25 + 9 + 3));
  TArchiver::FreeFileList(&listing);
}

TEST(PayloadWriter, ShortStubIsRefused) {
  TMemoryStream stub(std::vector<uint8_t>(kPayloadOffset - 1, 0)), out;
  try {
    WriteStub(stub, out);
    FAIL() << "no exception";
  } catch (const EStubTooShort& e) {
    EXPECT_STREQ(e.what(), "The stub is shorter than 722432 bytes");
  }
}
