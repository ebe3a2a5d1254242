// The binding against a fake library: bind/release rules, the engine start's scan, faults, empty
// slots, texts without terminator, and the message table.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "fakes/library_fakes.h"
#include "recording/rwlib_binding.h"
#include "res/texts.h"

namespace qx {
namespace {

using fakes::TFakeLoader;
using fakes::TFaultInLibrary;
using fakes::TTableTexts;

// What the fake library's entry points see and answer.
struct TFakeState {
  std::vector<std::tuple<int32_t, int32_t, int, int, int32_t>> StartCalls;
  int32_t DeviceAdapter = -1, DeviceTarget = -1;  // where Start answers 1
  int FaultAtStartCall = -1;                      // 0-based call that faults
  bool UnterminatedTexts = false;
  int AbortCalls = 0;
  bool AbortFaults = false;
};
TFakeState g_fake;

int32_t QX_RWLIB_CALL FakeStart(int32_t a, int32_t t, uint8_t zero, uint8_t factor, int32_t value) {
  g_fake.StartCalls.emplace_back(a, t, zero, factor, value);
  if (static_cast<int>(g_fake.StartCalls.size()) - 1 == g_fake.FaultAtStartCall) throw TFaultInLibrary{};
  return a == g_fake.DeviceAdapter && t == g_fake.DeviceTarget ? 1 : 23;
}

int32_t QX_RWLIB_CALL FakeVendorProduct(char* vendor, char* product) {
  if (g_fake.UnterminatedTexts) {
    std::memset(vendor, 'V', rwlib::kTextBufferSize);
    std::memset(product, 'P', rwlib::kTextBufferSize);
  } else {
    std::strcpy(vendor, "ACME");
    std::strcpy(product, "Burner");
  }
  return 1;
}

int32_t QX_RWLIB_CALL FakeAbort() {
  ++g_fake.AbortCalls;
  if (g_fake.AbortFaults) throw TFaultInLibrary{};
  return 1;
}

int32_t QX_RWLIB_CALL FakeDiscInfo(int32_t* blank, int32_t* second, int32_t* erasable, int32_t* ready,
                                   int32_t* media) {
  *blank = 1, *second = 0, *erasable = 0, *ready = 1, *media = 2;
  return 1;
}

// The window thread's release while the burn thread is inside the write: the test runs it from
// inside the fake write, where a real library's code would still be running.
TRwLibBinding* g_releasing = nullptr;
std::vector<bool> g_releasedInsideWrite;
int32_t QX_RWLIB_CALL FakeWriteThatSeesARelease(TTrackList*, const char*, int32_t, void**, int32_t) {
  g_releasedInsideWrite.push_back(g_releasing->ReleaseRecordingLibrary());
  g_releasedInsideWrite.push_back(g_releasing->WriteRunning());
  return 1;
}

class RwLibBindingTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_fake = TFakeState{};
    Loader.Exports = {
        {"Start", reinterpret_cast<TLibraryProc>(&FakeStart)},
        {"GetVendorProductStrings", reinterpret_cast<TLibraryProc>(&FakeVendorProduct)},
        {"AbortWrite", reinterpret_cast<TLibraryProc>(&FakeAbort)},
        {"GetDiscInfo", reinterpret_cast<TLibraryProc>(&FakeDiscInfo)},
    };
  }
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
  EXPECT_EQ(Binding.Slot(rwlib::slStart), reinterpret_cast<TLibraryProc>(&FakeStart));
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
  ASSERT_EQ(g_fake.StartCalls.size(), 64u);
  for (int i = 0; i < 64; ++i)
    EXPECT_EQ(g_fake.StartCalls[static_cast<std::size_t>(i)], std::make_tuple(i / 8, i % 8, 0, 4, 8192)) << i;
}

TEST_F(RwLibBindingTest, EngineStartStopsAtTheFirstRecorderThatAnswers) {
  g_fake.DeviceAdapter = 3;
  g_fake.DeviceTarget = 6;
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  int32_t adapter = -1, target = -1;
  EXPECT_EQ(Binding.StartRecordingEngine(2, 8192, &adapter, &target), 1);
  EXPECT_EQ(adapter, 3);
  EXPECT_EQ(target, 6);
  EXPECT_EQ(g_fake.StartCalls.size(), 3u * 8 + 6 + 1);
  EXPECT_EQ(std::get<3>(g_fake.StartCalls.back()), 2);
}

TEST_F(RwLibBindingTest, EngineStartAnswers23WithoutCallingWhenNotLoadedOrStartMissing) {
  EXPECT_EQ(Binding.StartRecordingEngine(4, 8192), 23);
  EXPECT_TRUE(g_fake.StartCalls.empty());
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  ASSERT_TRUE(Binding.ReleaseRecordingLibrary());
  EXPECT_EQ(Binding.StartRecordingEngine(4, 8192), 23);  // slots are kept, but must not be used
  EXPECT_TRUE(g_fake.StartCalls.empty());
  Loader.Exports.erase("Start");
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  EXPECT_EQ(Binding.StartRecordingEngine(4, 8192), 23);
}

TEST_F(RwLibBindingTest, FaultInsideStartEndsTheScanWith23) {
  g_fake.FaultAtStartCall = 9;
  g_fake.DeviceAdapter = 5;  // would answer later
  g_fake.DeviceTarget = 0;
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  EXPECT_EQ(Binding.StartRecordingEngine(4, 8192), 23);
  EXPECT_EQ(g_fake.StartCalls.size(), 10u);
}

TEST_F(RwLibBindingTest, FaultInsideAbortWriteIsReportedNotRaised) {
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  bool faulted = true;
  EXPECT_EQ(Binding.AbortWrite(&faulted), 1);
  EXPECT_FALSE(faulted);
  g_fake.AbortFaults = true;
  Binding.AbortWrite(&faulted);
  EXPECT_TRUE(faulted);
  EXPECT_EQ(g_fake.AbortCalls, 2);
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
  g_fake.UnterminatedTexts = true;
  EXPECT_EQ(Binding.GetVendorProductStrings(vendor, product), 1);
  EXPECT_EQ(vendor, std::string(1024, 'V'));
  EXPECT_EQ(product, std::string(1024, 'P'));
}

TEST_F(RwLibBindingTest, ErrorTextGivesTheMessageTableAndCodeForTheRest) {
  const std::vector<std::pair<int32_t, std::string>> cases = {
      {0, "Unknown status of the operation"},
      {1, ""},
      {8, "\r\n(code ACF)\r\n\r\n\r\n"},
      {11, "CDRW engine has not been started\r\n"},
      {23, "Device not present"},
      {24, "Code 24"},
      {118, "Code 118"},
      {128, "Everything will not fit on this disc, remove files and try again."},
      {149, "One or more filenames is greater than 108 characters long"},
      {150, "Code 150"},
      {2001, "Code 2001"},
      {-1, "Code 4294967295"},
      {INT32_MIN, "Code 2147483648"},
  };
  for (const auto& [code, text] : cases) EXPECT_EQ(Binding.ErrorText(code), text) << code;
}

// The whole message table, written out here so that a slip in any one text is caught; every code
// from 0 to 255 that it does not list reads "Code " and the number.
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

}  // namespace
}  // namespace qx

namespace qx {
namespace {

TEST_F(RwLibBindingTest, TheLibraryIsNeverFreedWhileAWriteCallIsInsideIt) {
  Loader.Exports["WriteCdDataTaoPerList"] = reinterpret_cast<TLibraryProc>(&FakeWriteThatSeesARelease);
  g_releasing = &Binding;
  g_releasedInsideWrite.clear();
  ASSERT_TRUE(Binding.BindRecordingLibrary());
  EXPECT_FALSE(Binding.WriteRunning());
  EXPECT_EQ(Binding.WriteCdDataTaoPerList(nullptr, "V", 110, nullptr, 0), 1);
  // Inside the call: refused, nothing freed, the write counted; afterwards the release goes ahead.
  EXPECT_EQ(g_releasedInsideWrite, (std::vector<bool>{false, true}));
  EXPECT_EQ(Loader.Frees, 0);
  EXPECT_TRUE(Binding.Loaded());
  EXPECT_FALSE(Binding.WriteRunning());
  EXPECT_TRUE(Binding.ReleaseRecordingLibrary());
  EXPECT_EQ(Loader.Frees, 1);
  // A write after the release finds no library and calls nothing.
  EXPECT_EQ(Binding.WriteCdDataTaoPerList(nullptr, "V", 110, nullptr, 0), 3);
  EXPECT_EQ(g_releasedInsideWrite.size(), 2u);
  g_releasing = nullptr;
}

}  // namespace
}  // namespace qx
