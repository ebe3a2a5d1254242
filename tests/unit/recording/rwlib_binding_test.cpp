// The binding against a fake library: bind/release rules, the engine start's scan, faults, empty
// slots, texts without terminator, and the message table.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/fake_library.h"
#include "fakes/fake_loader.h"
#include "fakes/texts.h"
#include "recording/rwlib_binding.h"
#include "res/texts.h"

namespace qx {
namespace {

using fakes::TFakeLoader;
using fakes::TTableTexts;

// The binding over the shared fake library, with only the exports these tests need: the others
// are empty slots.
class RwLibBindingTest : public ::testing::Test {
protected:
  void SetUp() override {
    Library.Start = [this](int32_t a, int32_t t) { return a == DeviceAdapter && t == DeviceTarget ? 1 : 23; };
    Library.Product = "Burner";
    Library.Discs = {{1, 1, 0, 1, 2}};
    Loader.Exports = fakes::ExportTable({"Start", "GetVendorProductStrings", "AbortWrite", "GetDiscInfo"});
  }
  int32_t DeviceAdapter = -1, DeviceTarget = -1;  // where Start answers 1
  fakes::TFakeLibrary Library;
  fakes::TLibraryInUse LibraryInUse{Library};
  TFakeLoader Loader;
  TTableTexts Texts;
  TRwLibBinding Binding{Loader, Texts};
};

TEST_F(RwLibBindingTest, BindLoadsByBareNameAndLooksUpAllNamesInTableOrder) {
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  EXPECT_EQ(Loader.LoadedName, "RwLib.dll");
  const std::vector<std::string> order = {"Start",
                                          "BlankDisc",
                                          "IsDiscBlank",
                                          "GetDiscInfo",
                                          "SetCdSpeeds",
                                          "GetCdSpeeds",
                                          "Unload",
                                          "Load",
                                          "SendOpc",
                                          "IsDeviceReadyEx",
                                          "BurnProofControl",
                                          "GetVendorProductStrings",
                                          "GetSupportedWriteModes",
                                          "AbortWrite",
                                          "WriteCdAudioTao",
                                          "WriteCdAudioSao",
                                          "WriteCdAudioDao",
                                          "WriteCdDataTao",
                                          "WriteCdDataTaoPerList"};
  EXPECT_EQ(Loader.Lookups, order);
  EXPECT_EQ(Binding.Slot(rwlib::slStart), reinterpret_cast<TLibraryProc>(&fakes::exports::Start));
  EXPECT_EQ(Binding.Slot(rwlib::slBlankDisc), nullptr);

  // A second bind does not load again but looks every name up again.
  Loader.Exports.erase("Start");
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  EXPECT_EQ(Loader.Loads, 1);
  EXPECT_EQ(Loader.Lookups.size(), 2 * order.size());
  EXPECT_EQ(Binding.Slot(rwlib::slStart), nullptr);
}

TEST_F(RwLibBindingTest, ReleaseFreesOnlyALoadedLibraryAndTheNextBindLoadsAnew) {
  EXPECT_FALSE(Binding.ReleaseRecordingLibrary());  // nothing bound
  EXPECT_EQ(Loader.Frees, 0);
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  EXPECT_TRUE(Binding.ReleaseRecordingLibrary());
  EXPECT_EQ(Loader.Frees, 1);
  EXPECT_FALSE(Binding.ReleaseRecordingLibrary());
  EXPECT_EQ(Loader.Frees, 1);
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  EXPECT_EQ(Loader.Loads, 2);
  EXPECT_TRUE(Binding.ReleaseRecordingLibrary());
}

TEST_F(RwLibBindingTest, FailedLoadLeavesTheBindingUnloaded) {
  Loader.Loadable = false;
  EXPECT_FALSE(Binding.BindRecordingLibrary());
  EXPECT_FALSE(Binding.Loaded());
  EXPECT_TRUE(Loader.Lookups.empty());
  EXPECT_FALSE(Binding.ReleaseRecordingLibrary());
  EXPECT_EQ(Loader.Frees, 0);
}

TEST_F(RwLibBindingTest, EngineStartScansAllAdaptersAndTargetsWithTheTableArguments) {
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  EXPECT_EQ(Binding.StartRecordingEngine(4, 8192), 23);
  ASSERT_EQ(Library.StartCalls.size(), 64u);
  for (int i = 0; i < 64; ++i)
    EXPECT_EQ(Library.StartCalls[static_cast<std::size_t>(i)], (fakes::TStartCall{i / 8, i % 8, 0, 4, 8192}))
        << i;
}

TEST_F(RwLibBindingTest, EngineStartStopsAtTheFirstRecorderThatAnswers) {
  DeviceAdapter = 3;
  DeviceTarget = 6;
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  int32_t adapter = -1, target = -1;
  EXPECT_EQ(Binding.StartRecordingEngine(2, 8192, &adapter, &target), 1);
  EXPECT_EQ(adapter, 3);
  EXPECT_EQ(target, 6);
  EXPECT_EQ(Library.StartCalls.size(), 3u * 8 + 6 + 1);
  EXPECT_EQ(Library.StartCalls.back().Factor, 2);
}

TEST_F(RwLibBindingTest, EngineStartAnswers23WithoutCallingWhenNotLoadedOrStartMissing) {
  EXPECT_EQ(Binding.StartRecordingEngine(4, 8192), 23);
  EXPECT_TRUE(Library.StartCalls.empty());
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  ASSERT_TRUE(Binding.ReleaseRecordingLibrary());
  EXPECT_EQ(Binding.StartRecordingEngine(4, 8192), 23);  // slots are kept, but must not be used
  EXPECT_TRUE(Library.StartCalls.empty());
  Loader.Exports.erase("Start");
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  EXPECT_EQ(Binding.StartRecordingEngine(4, 8192), 23);
}

TEST_F(RwLibBindingTest, FaultInsideStartEndsTheScanWith23) {
  Library.FaultAtStartCall = 9;
  DeviceAdapter = 5;  // would answer later
  DeviceTarget = 0;
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  EXPECT_EQ(Binding.StartRecordingEngine(4, 8192), 23);
  EXPECT_EQ(Library.StartCalls.size(), 10u);
}

TEST_F(RwLibBindingTest, FaultInsideAbortWriteIsReportedNotRaised) {
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  bool faulted = true;
  EXPECT_EQ(Binding.AbortWrite(&faulted), 1);
  EXPECT_FALSE(faulted);
  Library.AbortFaults = true;
  Binding.AbortWrite(&faulted);
  EXPECT_TRUE(faulted);
  EXPECT_EQ(Library.AbortCalls, 2);
}

TEST_F(RwLibBindingTest, CallsThroughEmptySlotsAnswer4AndBeforeBindAnswer3) {
  int32_t v[5] = {};
  uint16_t s[4] = {};
  std::string a, b;
  EXPECT_EQ(Binding.GetDiscInfo(&v[0], &v[1], &v[2], &v[3], &v[4]), 3);
  EXPECT_EQ(Binding.GetVendorProductStrings(a, b), 3);
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  EXPECT_EQ(Binding.GetDiscInfo(&v[0], &v[1], &v[2], &v[3], &v[4]), 1);
  EXPECT_EQ(v[4], 2);
  EXPECT_EQ(Binding.BlankDisc(1), 4);
  EXPECT_EQ(Binding.SetCdSpeeds(0, 176), 4);
  EXPECT_EQ(Binding.GetCdSpeeds(&s[0], &s[1], &s[2], &s[3]), 4);
  EXPECT_EQ(Binding.Unload(), 4);
  EXPECT_EQ(Binding.Load(), 4);
  EXPECT_EQ(Binding.IsDeviceReadyEx(), 4);
  EXPECT_EQ(Binding.BurnProofControl(-1), 4);
  EXPECT_EQ(Binding.GetSupportedWriteModes(&v[0], &v[1], &v[2]), 4);
  EXPECT_EQ(Binding.WriteCdDataTaoPerList(nullptr, "V", 110, nullptr, 0), 4);
  Loader.Exports.clear();
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  bool faulted = true;
  EXPECT_EQ(Binding.AbortWrite(&faulted), 4);
  EXPECT_FALSE(faulted);
}

TEST_F(RwLibBindingTest, TextsAreReadNoFurtherThanTheLibrarysBuffers) {
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  std::string vendor, product;
  EXPECT_EQ(Binding.GetVendorProductStrings(vendor, product), 1);
  EXPECT_EQ(vendor, "ACME");
  EXPECT_EQ(product, "Burner");
  Library.UnterminatedTexts = true;
  EXPECT_EQ(Binding.GetVendorProductStrings(vendor, product), 1);
  EXPECT_EQ(vendor, std::string(1024, 'V'));
  EXPECT_EQ(product, std::string(1024, 'P'));
}

TEST_F(RwLibBindingTest, ErrorTextGivesTheMessageTableAndCodeForTheRest) {
  const std::string code = fakes::Text(IDS_RWLIB_CODE_PREFIX);
  const struct {
    int32_t Code;
    std::string Text;
  } rows[] = {
      {0, fakes::LibraryMessage(0)},
      {1, fakes::LibraryMessage(1)},
      {8, fakes::LibraryMessage(8)},
      {11, fakes::LibraryMessage(11)},
      {23, fakes::LibraryMessage(23)},
      {24, code + "24"},
      {118, code + "118"},
      {128, fakes::LibraryMessage(128)},
      {149, fakes::LibraryMessage(149)},
      {150, code + "150"},
      {2001, code + "2001"},
      {-1, code + "4294967295"},
      {INT32_MIN, code + "2147483648"},
  };
  for (const auto& row : rows) EXPECT_EQ(Binding.ErrorText(row.Code), row.Text) << row.Code;
}

// The whole message table, written out here on purpose: this is the one test that holds the text
// table's library messages to the library's own words, so that a slip in any one text is caught;
// every code from 0 to 255 that it does not list reads "Code " and the number.
TEST_F(RwLibBindingTest, ErrorTextKnowsEveryMessageOfTheTableAndNoOther) {
  const std::map<int32_t, std::string> messages = {
      {0, "Unknown status of the operation"},
      {1, ""},
      {2, "General failure occured"},
      {3, "Unable to load the dll"},
      {4, "Unable to find dll entry"},
      {5, "Unable to create signalling event"},
      {6, "Unable to initialize the ASPI"},
      {7, "Bad parameter passed"},
      {8, "\r\n(code ACF)\r\n\r\n\r\n"},
      {9, "Unsupported device type"},
      {10, "Win32 call failed"},
      {11, "CDRW engine has not been started\r\n"},
      {12, "No blank disc in device"},
      {13, "Using unsupported write mode"},
      {14, "Bad response from a device"},
      {15, "Size of the disc is too small"},
      {16, "Timeout elasped"},
      {17, "Synchronization failed"},
      {18, "Out of memory"},
      {19, "Burning process terminated"},
      {20, "Device doesn't support requested feature"},
      {21, "Engine already started"},
      {22, "Incorrect file passed"},
      {23, "Device not present"},
      {119, "MP3 file is invalid or not CDROM compatible"},
      {124, "Too many files in directory"},
      {125, "Too many directories to process"},
      {126, "Invalid directory name specified"},
      {127, "Too many files/directories to sort"},
      {128, "Everything will not fit on this disc, remove files and try again."},
      {146, "Unacceptable volume name encountered"},
      {148, "Unexpected error importing directory structure"},
      {149, "One or more filenames is greater than 108 characters long"},
  };
  for (int32_t code = 0; code <= 255; ++code) {
    const auto listed = messages.find(code);
    EXPECT_EQ(Binding.ErrorText(code),
              listed != messages.end() ? listed->second : "Code " + std::to_string(code))
        << code;
  }
}

// The window thread's release while the burn thread is inside the write, run from inside the fake
// write, where a real library's code would still be running. A plain export reaches the binding
// under test through this one slot.
struct TReleaseInsideWrite {
  static TRwLibBinding*& Binding() {
    static TRwLibBinding* binding = nullptr;
    return binding;
  }
  static std::vector<bool>& Seen() {
    static std::vector<bool> seen;
    return seen;
  }
  static int32_t QX_RWLIB_CALL Write(TTrackList*, const char*, int32_t, void**, int32_t) {
    Seen().push_back(Binding()->ReleaseRecordingLibrary());
    Seen().push_back(Binding()->WriteRunning());
    return 1;
  }
};

TEST_F(RwLibBindingTest, TheLibraryIsNeverFreedWhileAWriteCallIsInsideIt) {
  Loader.Exports["WriteCdDataTaoPerList"] = reinterpret_cast<TLibraryProc>(&TReleaseInsideWrite::Write);
  TReleaseInsideWrite::Binding() = &Binding;
  TReleaseInsideWrite::Seen().clear();
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  EXPECT_FALSE(Binding.WriteRunning());
  EXPECT_EQ(Binding.WriteCdDataTaoPerList(nullptr, "V", 110, nullptr, 0), 1);
  // Inside the call: refused, nothing freed, the write counted; afterwards the release goes ahead.
  EXPECT_EQ(TReleaseInsideWrite::Seen(), (std::vector<bool>{false, true}));
  EXPECT_EQ(Loader.Frees, 0);
  EXPECT_TRUE(Binding.Loaded());
  EXPECT_FALSE(Binding.WriteRunning());
  EXPECT_TRUE(Binding.ReleaseRecordingLibrary());
  EXPECT_EQ(Loader.Frees, 1);
  // A write after the release finds no library and calls nothing.
  EXPECT_EQ(Binding.WriteCdDataTaoPerList(nullptr, "V", 110, nullptr, 0), 3);
  EXPECT_EQ(TReleaseInsideWrite::Seen().size(), 2u);
  TReleaseInsideWrite::Binding() = nullptr;
}

}  // namespace
}  // namespace qx
