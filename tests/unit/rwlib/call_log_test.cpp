#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "core/call_log.h"

namespace qx::rwlib {
namespace {

TEST(CallLogTest, FieldsAreTabSeparatedAroundTheArrow) {
  TLogFields args, outs;
  args.Add(0).Add(-1).Add("a text with blanks").Add(4294967295LL);
  outs.Add(7056).Add("ACME");
  EXPECT_EQ(FormatCallLine("Start", args, "1", outs),
            "Start\t0\t-1\ta text with blanks\t4294967295\t->\t1\t7056\tACME");
  EXPECT_EQ(FormatCallLine("Unload", {}, "11", {}), "Unload\t->\t11");
  EXPECT_EQ(FormatCallLine("Start", TLogFields().Add(""), "fault", {}), "Start\t\t->\tfault");
}

TEST(CallLogTest, AppendsOneLinePerCallAndNothingWithoutAPath) {
  const auto path =
      std::filesystem::temp_directory_path() / ("qx_call_log_" + std::to_string(::getpid()) + ".log");
  std::filesystem::remove(path);
  TCallLog log(path);
  log.Append("Load\t->\t1");
  log.Append("Unload\t->\t1");
  std::ifstream in(path, std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "Load\t->\t1\nUnload\t->\t1\n");
  std::filesystem::remove(path);
  TCallLog off;
  EXPECT_FALSE(off.Enabled());
  off.Append("nothing");
}

}  // namespace
}  // namespace qx::rwlib
