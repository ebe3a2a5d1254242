#include <gtest/gtest.h>

#include <cctype>
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

// Only the source and version texts have their blanks replaced, the recorder's blanks and ampersands
// too; an ampersand left in an outside value is encoded, so it can never start a key of its own.
TEST(ResultsAddress, BlanksAndAmpersands) {
  TResultsReport r = Report();
  r.SourceLine = "Tom & Jerry";
  r.AspiVersion = "6";
  r.RecorderVendor = "A&B ";
  r.RecorderProduct = "X";
  r.SpeedText = "1 2";
  const std::string address = ResultsAddress(r);
  EXPECT_NE(address.find("&source=Tom_%26_Jerry&av="), std::string::npos) << address;
  EXPECT_NE(address.find("&ASPI=6&DirectCDvxd=6"), std::string::npos);
  EXPECT_NE(address.find("&cdr=A_B_X&"), std::string::npos);
  EXPECT_NE(address.find("&t=1%202&"), std::string::npos);
}

// Whatever a device, the project file or a version resource holds, the address stays one argument of
// safe bytes with exactly the report's keys, and each value decodes back to the text it was made from.
TEST(ResultsAddress, OutsideTextsStayValues) {
  struct TRow {
    const char* Name;
    std::string Vendor, Product, Source;
  };
  const std::string huge(1023, 'Q');
  const TRow rows[] = {
      {"quote and tab", "VEN\"DOR\t", "CD\"RW", "My\tDisc"},
      {"line ends", "VENDOR\r\n", "\r\nX", "Disc\r"},
      {"percent and hash", "100%", "#1", "50%_off#x"},
      {"keys", "V=1", "&r=0", "a&r=0&size=9"},
      {"not ASCII", "Br\xc3\xbbl\xc3\xa9", "\xe9\xff", "Caf\xe9"},
      {"1,023 characters", huge, huge, huge},
  };
  auto decoded = [](const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
      if (value[i] == '%' && i + 2 < value.size() &&
          std::isxdigit(static_cast<unsigned char>(value[i + 1])) &&
          std::isxdigit(static_cast<unsigned char>(value[i + 2]))) {
        out += static_cast<char>(std::stoi(value.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        out += value[i];
      }
    }
    return out;
  };
  auto value_of = [](const std::string& address, const std::string& key) {
    const size_t at = address.find("&" + key + "=");
    if (at == std::string::npos) return std::string("<missing>");
    const size_t start = at + key.size() + 2;
    return address.substr(start, address.find('&', start) - start);
  };
  for (const TRow& row : rows) {
    TResultsReport r = Report();
    r.RecorderVendor = row.Vendor;
    r.RecorderProduct = row.Product;
    r.SourceLine = row.Source;
    const std::string address = ResultsAddress(r);
    for (const char c : address) {
      const auto b = static_cast<unsigned char>(c);
      EXPECT_TRUE(b > ' ' && b < 127 && c != '"' && c != '#') << row.Name << ": byte " << int(b);
    }
    size_t keys = 0;
    for (const char c : address) keys += c == '&';
    EXPECT_EQ(keys, 10u) << row.Name << ": " << address;
    // The address carries at most 64 bytes of each (see OutsideTextsOfAnyLengthKeepTheAddressShort).
    std::string recorder = (row.Vendor + row.Product).substr(0, 64), source = row.Source.substr(0, 64);
    for (char& c : recorder)
      if (c == ' ' || c == '&') c = '_';
    for (char& c : source)
      if (c == ' ') c = '_';
    EXPECT_EQ(decoded(value_of(address, "cdr")), recorder) << row.Name;
    EXPECT_EQ(decoded(value_of(address, "source")), source) << row.Name;
  }
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

// A device or a project file may hand over texts of any length (a recorder answers up to 1,023
// characters each), and an address of several thousand characters is more than the shell and
// browsers take (Wine's shell faults on one of about 3,000). Each outside value is cut before it is
// encoded, so that the whole address stays within 1,024 characters; plain values stay whole.
TEST(ResultsAddress, OutsideTextsOfAnyLengthKeepTheAddressShort) {
  TResultsReport r = Report();
  r.SourceLine = std::string(5000, '"');
  r.AppletVersion = r.AspiVersion = r.DirectCdVersion = std::string(1023, '%');
  r.ProgressHint = std::string(300, '\t');
  r.RecorderVendor = std::string(1023, '\xE9');
  r.RecorderProduct = std::string(1023, '#');
  r.SpeedText = std::string(300, ' ');
  r.SuccText = "&Succ=-2147483648.-2147483648.-2147483648";
  r.FailText = "&Fail=-2147483648.-2147483648.-2147483648:-2147483648";
  r.ResultCode = -2147483647 - 1;
  r.SizeMB = 4294967295u;
  const std::string address = ResultsAddress(r);
  EXPECT_LE(address.size(), 1024u) << address;
  // Every key is still there, in its order, and nothing was cut in the middle of a %XX.
  size_t at = 0;
  for (const char* key : {"?r=", "&source=", "&av=", "&ASPI=", "&DirectCDvxd=", "&p=100.",
                          "&cdr=", "&Succ=", "&Fail=", "&t=", "&size="}) {
    const size_t found = address.find(key, at);
    ASSERT_NE(found, std::string::npos) << key;
    at = found + 1;
  }
  for (size_t i = 0; i < address.size(); ++i)
    if (address[i] == '%') {
      ASSERT_LT(i + 2, address.size());
      EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(address[i + 1])) &&
                  std::isxdigit(static_cast<unsigned char>(address[i + 2])));
    }
}

TEST(ResultsAddress, TheLongestPlainDeviceTextsStayWhole) {
  TResultsReport r = Report();
  r.RecorderVendor = "PLEXTOR ";                // the inquiry's 8 characters
  r.RecorderProduct = "DVDR   PX-716A  1.11 ";  // 16 characters and a revision
  EXPECT_NE(ResultsAddress(r).find("&cdr=PLEXTOR_DVDR___PX-716A__1.11_&"), std::string::npos);
}
