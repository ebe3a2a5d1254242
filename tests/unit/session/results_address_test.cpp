#include <gtest/gtest.h>

#include <string>

#include "session/results_address.h"

using namespace qx;

namespace {

TResultsReport Report() {
  TResultsReport r;
  r.ResultCode = 1;
  r.SourceLine = "My Disc";
  r.AppletVersion = "6.00(12)";
  r.AspiVersion = "4.60(1021)";
  r.DirectCdVersion = "6";
  r.ProgressHint = "-";
  r.RecorderVendor = "VENDOR";
  r.RecorderProduct = "CD RW 52";
  r.SuccText = "&Succ=0.0.3";
  r.FailText = "&Fail=1.0.0";
  r.SpeedText = "";
  r.SizeMB = 0;
  return r;
}

const std::string kBase = std::string(kResultsServer) + "vkrp6.asp?r=";

}  // namespace

TEST(ResultsAddress, CancelledBeforeAnyRecordingCarriesEveryKeyInOrder) {
  EXPECT_EQ(ResultsAddress(Report()), kBase +
                                          "1&source=My_Disc&av=6.00(12)&ASPI=4.60(1021)&DirectCDvxd=6"
                                          "&p=100.-&cdr=VENDORCD_RW_52&Succ=0.0.3&Fail=1.0.0&t=&size=0");
}

TEST(ResultsAddress, SuccessHasNoProgressPart) {
  TResultsReport r = Report();
  r.ResultCode = 0;
  r.ProgressHint = "100";
  r.SpeedText = "8";
  r.SizeMB = 200;
  r.FailText = "&Fail=0.0.0";
  EXPECT_EQ(ResultsAddress(r), kBase +
                                   "0&source=My_Disc&av=6.00(12)&ASPI=4.60(1021)&DirectCDvxd=6"
                                   "&cdr=VENDORCD_RW_52&Succ=0.0.3&Fail=0.0.0&t=8&size=200");
}

TEST(ResultsAddress, FailedWriteSendsItsPercentAndResult) {
  TResultsReport r = Report();
  r.ResultCode = 7;
  r.ProgressHint = "42";
  r.FailText = "&Fail=0.0.0:19";
  const std::string address = ResultsAddress(r);
  EXPECT_NE(address.find("&p=100.42&cdr="), std::string::npos);
  EXPECT_NE(address.find("&Fail=0.0.0:19&t="), std::string::npos);
}

// Only the source and version texts have their blanks replaced; ampersands pass through
// everywhere and start new keys, as the report's readers expect.
TEST(ResultsAddress, BlanksAndAmpersands) {
  TResultsReport r = Report();
  r.SourceLine = "Tom & Jerry";
  r.AspiVersion = "6";
  r.RecorderVendor = "A&B ";
  r.RecorderProduct = "X";
  r.SpeedText = "1 2";
  const std::string address = ResultsAddress(r);
  EXPECT_NE(address.find("&source=Tom_&_Jerry&av="), std::string::npos);
  EXPECT_NE(address.find("&ASPI=6&DirectCDvxd=6"), std::string::npos);
  EXPECT_NE(address.find("&cdr=A_B_X&"), std::string::npos);
  EXPECT_NE(address.find("&t=1 2&"), std::string::npos);
}

TEST(ResultsAddress, RecorderNoneWhenBothTextsAreEmpty) {
  TResultsReport r = Report();
  r.RecorderVendor.clear();
  r.RecorderProduct.clear();
  EXPECT_NE(ResultsAddress(r).find("&cdr=None&Succ="), std::string::npos);
}

TEST(ResultsAddress, SourceLine) {
  EXPECT_EQ(SourceLineOf(""), "Missing");
  EXPECT_EQ(SourceLineOf("My Disc\r\n[TITLE]\r\n"), "My Disc");
  EXPECT_EQ(SourceLineOf("only line"), "only line");
  EXPECT_EQ(SourceLineOf("\r\nsecond"), "");  // an empty first line is still a line
  EXPECT_EQ(SourceLineOf("unix\nline"), "unix");
}

TEST(ResultsAddress, HostsAreReserved) {
  for (const std::string host : {kResultsServer, kWebSite})
    EXPECT_NE(host.find(".invalid/"), std::string::npos) << host;
}
