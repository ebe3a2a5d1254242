// "LH5" members inside an archive: a locked member read with a wrong key decodes scrambled data,
// and the bad table that results is reported as a key error, with the target file removed.
#include <gtest/gtest.h>

#include <string>

#include "archive/archiver.h"
#include "archive/memory_stream.h"
#include "lh5_test_support.h"
#include "memory_file_system.h"

using namespace qx;

TEST(Lh5Archive, WrongKeyTurnsABadTableIntoInvalidKey) {
  std::vector<uint8_t> data;
  for (int i = 0; i < 4000; ++i) data.push_back(uint8_t("locked member data "[i % 19] + i / 500));
  const int32_t key = 0x13572468;

  MemoryFileSystem fs;
  fs.AddFile("m", data);
  TArchiver arc;
  arc.FileSystem = &fs;
  arc.Key = key;
  TMemoryStream archive;
  TStringList files;
  files.Add("m");
  arc.CompressFiles(archive, files, cmLH5);
  ASSERT_EQ(archive.Bytes[21 + 16], cmLH5);

  // A wrong key whose third byte turns the T count (top five bits of data byte 2) into 31.
  const std::vector<uint8_t> plain = lh5test::Encode(data);
  const uint32_t flip = uint32_t(plain[2] ^ 0xF8) << 16;
  std::vector<uint8_t> garbled = plain;
  garbled[2] ^= uint8_t(flip >> 16);
  EXPECT_THROW(lh5test::Decode(garbled, uint32_t(data.size())), ELZHBadDecodeTable);

  fs.Files.clear();
  arc.Key = int32_t(uint32_t(key) ^ flip);
  {
    TMemoryStream in(archive.Bytes);
    EXPECT_THROW(arc.ExpandFiles(in), EInvalidKey);
  }
  EXPECT_EQ(fs.Created, std::vector<std::string>{"m"});
  EXPECT_TRUE(fs.Files.empty());

  arc.Key = key;
  TMemoryStream in(archive.Bytes);
  arc.ExpandFiles(in);
  EXPECT_EQ(fs.Files.at("m").Bytes, data);
}
