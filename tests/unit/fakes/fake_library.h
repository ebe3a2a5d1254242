#pragma once
// The recording library of every test world: the answers a test sets up and what the library saw,
// and its exports, plain functions that the binding calls through the loader exactly as it calls
// the real library's. A plain function has no object to reach, so the exports answer for the one
// library that a TLibraryInUse has put in use; a test world owns both, and nothing else does.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "burn/burn_platform.h"
#include "fakes/event_log.h"
#include "fakes/fake_loader.h"
#include "recording/rwlib_api.h"
#include "recording/track_list.h"

namespace qx::fakes {

// The write's progress event, a manual-reset event; the fake library also waits until the worker
// has reset it, so the bar's steps are the same in every run.
class TFakeEvent : public TBurnEvent {
public:
  void Set() override {
    std::lock_guard<std::mutex> guard(Lock);
    Signalled = true;
    Changed.notify_all();
  }
  void Reset() override {
    std::lock_guard<std::mutex> guard(Lock);
    Signalled = false;
    ++Resets;
    Changed.notify_all();
  }
  void Wait() override {
    std::unique_lock<std::mutex> guard(Lock);
    ++WaitsEntered;
    Changed.notify_all();
    Changed.wait(guard, [this] { return Signalled; });
  }
  void** Handle() override { return &Self; }
  // Sets the event and waits until the worker has taken the signal, reset the event and come back
  // to wait for the next one.
  void SignalAndWaitTaken() {
    std::unique_lock<std::mutex> guard(Lock);
    const int before = Resets;
    Signalled = true;
    Changed.notify_all();
    Changed.wait(guard, [&] { return Resets > before && WaitsEntered > Resets; });
  }

private:
  std::mutex Lock;
  std::condition_variable Changed;
  bool Signalled = false;
  int Resets = 0;
  int WaitsEntered = 0;
  void* Self = this;
};

struct TStartCall {
  int32_t Adapter, Target;
  int Zero, Factor;
  int32_t Value;
  bool operator==(const TStartCall& o) const {
    return Adapter == o.Adapter && Target == o.Target && Zero == o.Zero && Factor == o.Factor &&
           Value == o.Value;
  }
};
inline std::ostream& operator<<(std::ostream& out, const TStartCall& c) {
  return out << "Start(" << c.Adapter << "," << c.Target << "," << c.Zero << "," << c.Factor << "," << c.Value
             << ")";
}

// What the library answers, per test, and what it saw.
struct TFakeLibrary {
  // --- the engine start and the checks
  std::function<int32_t(int32_t adapter, int32_t target)> Start = [](int32_t a, int32_t t) {
    return a == 0 && t == 0 ? 1 : 23;
  };
  int FaultAtStartCall = -1;  // 0-based call of Start that faults
  std::function<int32_t(int32_t mode)> BlankDisc = [](int32_t) { return 1; };
  struct TDisc {
    int32_t Answer = 1, Blank = 1, Erasable = 0, Ready = 1, Media = 1;
  };
  // One answer per call; the last one repeats.
  std::vector<TDisc> Discs{TDisc{}};
  std::vector<int32_t> ReadyAnswers{1};
  int32_t LoadAnswer = 1, UnloadAnswer = 1;
  int32_t VendorAnswer = 1;
  std::string Vendor = "ACME", Product = "Burner 52x";
  bool UnterminatedTexts = false;  // the texts fill the library's buffers with no terminator
  int32_t ModesAnswer = 1, Tao = 1, Flag2 = 0, Flag3 = 0;

  // --- the recording
  int32_t BurnProof = 1;
  int32_t SpeedResult = 1;
  int32_t SetSpeedResult = 1;
  uint16_t Speeds[4] = {7056, 1764, 7056, 8448};
  int Signals = 3;  // progress signals the write gives
  int32_t WriteResult = 1;
  bool AbortFaults = false;
  std::function<void()> DuringWrite;  // runs after the first signal, as if on the window thread

  // --- seen
  std::vector<TStartCall> StartCalls;  // every call of Start
  std::vector<int32_t> StartFactors;   // memory factor of every Start call that found the recorder
  std::vector<int32_t> StartValues;
  std::size_t DiscCalls = 0, ReadyCalls = 0;
  int AbortCalls = 0;
  bool Aborted = false;
  TTrackList Written{};  // seen by the write call
  std::string VolumeName;
  int32_t Interval = 0, TestFlag = 0;
  int Writes = 0;

  TEventLog* Log = nullptr;  // where the calls are noted, when a world has a log
  void Note(const std::string& name) {
    if (Log) Log->Log("Lib:" + name);
  }

  // The library that the exports answer for.
  static TFakeLibrary*& InUse() {
    static TFakeLibrary* library = nullptr;
    return library;
  }
};

// Puts a library in use for the exports for as long as it lives.
class TLibraryInUse {
public:
  explicit TLibraryInUse(TFakeLibrary& library) { TFakeLibrary::InUse() = &library; }
  ~TLibraryInUse() { TFakeLibrary::InUse() = nullptr; }
  TLibraryInUse(const TLibraryInUse&) = delete;
  TLibraryInUse& operator=(const TLibraryInUse&) = delete;
};

// The exports: each notes its call and answers as the test set the library up.
namespace exports {
inline TFakeLibrary& L() {
  TFakeLibrary* library = TFakeLibrary::InUse();
  if (!library) throw std::logic_error("an export was called with no fake library in use");
  return *library;
}

inline int32_t QX_RWLIB_CALL Start(int32_t adapter, int32_t target, uint8_t zero, uint8_t factor,
                                   int32_t value) {
  TFakeLibrary& l = L();
  l.StartCalls.push_back({adapter, target, zero, factor, value});
  if (static_cast<int>(l.StartCalls.size()) - 1 == l.FaultAtStartCall) throw TFaultInLibrary{};
  const int32_t answer = l.Start(adapter, target);
  if (answer == 1 || (adapter == 7 && target == 7)) {
    l.Note("Start");
    l.StartFactors.push_back(factor);
    l.StartValues.push_back(value);
  }
  return answer;
}
inline int32_t QX_RWLIB_CALL BlankDisc(int32_t mode) {
  L().Note("BlankDisc:" + std::to_string(mode));
  return L().BlankDisc(mode);
}
inline int32_t QX_RWLIB_CALL GetDiscInfo(int32_t* blank, int32_t* second, int32_t* erasable, int32_t* ready,
                                         int32_t* media) {
  L().Note("GetDiscInfo");
  const auto& discs = L().Discs;
  const TFakeLibrary::TDisc& d = discs[std::min(L().DiscCalls++, discs.size() - 1)];
  *blank = d.Blank, *second = 0, *erasable = d.Erasable, *ready = d.Ready, *media = d.Media;
  return d.Answer;
}
inline int32_t QX_RWLIB_CALL Unload() {
  L().Note("Unload");
  return L().UnloadAnswer;
}
inline int32_t QX_RWLIB_CALL Load() {
  L().Note("Load");
  return L().LoadAnswer;
}
inline int32_t QX_RWLIB_CALL IsDeviceReadyEx() {
  L().Note("IsDeviceReadyEx");
  const auto& answers = L().ReadyAnswers;
  return answers[std::min(L().ReadyCalls++, answers.size() - 1)];
}
inline int32_t QX_RWLIB_CALL GetVendorProductStrings(char* vendor, char* product) {
  L().Note("GetVendorProductStrings");
  if (L().UnterminatedTexts) {
    std::memset(vendor, 'V', rwlib::kTextBufferSize);
    std::memset(product, 'P', rwlib::kTextBufferSize);
  } else {
    std::snprintf(vendor, rwlib::kTextBufferSize, "%s", L().Vendor.c_str());
    std::snprintf(product, rwlib::kTextBufferSize, "%s", L().Product.c_str());
  }
  return L().VendorAnswer;
}
inline int32_t QX_RWLIB_CALL GetSupportedWriteModes(int32_t* tao, int32_t* flag2, int32_t* flag3) {
  L().Note("GetSupportedWriteModes");
  *tao = L().Tao, *flag2 = L().Flag2, *flag3 = L().Flag3;
  return L().ModesAnswer;
}
inline int32_t QX_RWLIB_CALL BurnProofControl(int32_t mode) {
  L().Note("BurnProofControl:" + std::to_string(mode));
  return L().BurnProof;
}
inline int32_t QX_RWLIB_CALL GetCdSpeeds(uint16_t* a, uint16_t* b, uint16_t* c, uint16_t* d) {
  TFakeLibrary& l = L();
  l.Note("GetCdSpeeds");
  if (l.SpeedResult != 1) return l.SpeedResult;
  *a = l.Speeds[0], *b = l.Speeds[1], *c = l.Speeds[2], *d = l.Speeds[3];
  return 1;
}
inline int32_t QX_RWLIB_CALL SetCdSpeeds(uint16_t first, uint16_t speed) {
  TFakeLibrary& l = L();
  l.Note("SetCdSpeeds:" + std::to_string(first) + ":" + std::to_string(speed));
  if (l.SetSpeedResult != 1) return l.SetSpeedResult;
  l.Speeds[1] = speed == 0 || speed > l.Speeds[3] ? l.Speeds[3] : speed;
  return 1;
}
inline int32_t QX_RWLIB_CALL AbortWrite() {
  TFakeLibrary& l = L();
  l.Note("AbortWrite");
  ++l.AbortCalls;
  l.Aborted = true;
  if (l.AbortFaults) throw TFaultInLibrary{};
  return 1;
}
inline int32_t QX_RWLIB_CALL WriteCdDataTaoPerList(TTrackList* list, const char* volume, int32_t interval,
                                                   void** event, int32_t testFlag) {
  TFakeLibrary& l = L();
  l.Note("WriteCdDataTaoPerList");
  ++l.Writes;
  l.Written = *list;
  l.VolumeName = volume;
  l.Interval = interval;
  l.TestFlag = testFlag;
  auto* progress = static_cast<TFakeEvent*>(*event);
  for (int i = 0; i < l.Signals && !l.Aborted; ++i) {
    progress->SignalAndWaitTaken();
    if (i == 0 && l.DuringWrite) l.DuringWrite();
  }
  return l.Aborted ? rwlib::rcTerminated : l.WriteResult;
}
}  // namespace exports

// The library's export table, as the loader hands it to the binding: every export, or the named ones.
inline std::map<std::string, TLibraryProc> ExportTable() {
  return {
      {"Start", reinterpret_cast<TLibraryProc>(&exports::Start)},
      {"BlankDisc", reinterpret_cast<TLibraryProc>(&exports::BlankDisc)},
      {"GetDiscInfo", reinterpret_cast<TLibraryProc>(&exports::GetDiscInfo)},
      {"Unload", reinterpret_cast<TLibraryProc>(&exports::Unload)},
      {"Load", reinterpret_cast<TLibraryProc>(&exports::Load)},
      {"IsDeviceReadyEx", reinterpret_cast<TLibraryProc>(&exports::IsDeviceReadyEx)},
      {"GetVendorProductStrings", reinterpret_cast<TLibraryProc>(&exports::GetVendorProductStrings)},
      {"GetSupportedWriteModes", reinterpret_cast<TLibraryProc>(&exports::GetSupportedWriteModes)},
      {"BurnProofControl", reinterpret_cast<TLibraryProc>(&exports::BurnProofControl)},
      {"GetCdSpeeds", reinterpret_cast<TLibraryProc>(&exports::GetCdSpeeds)},
      {"SetCdSpeeds", reinterpret_cast<TLibraryProc>(&exports::SetCdSpeeds)},
      {"AbortWrite", reinterpret_cast<TLibraryProc>(&exports::AbortWrite)},
      {"WriteCdDataTaoPerList", reinterpret_cast<TLibraryProc>(&exports::WriteCdDataTaoPerList)},
  };
}
inline std::map<std::string, TLibraryProc> ExportTable(std::initializer_list<const char*> names) {
  const std::map<std::string, TLibraryProc> all = ExportTable();
  std::map<std::string, TLibraryProc> chosen;
  for (const char* name : names) chosen[name] = all.at(name);
  return chosen;
}

}  // namespace qx::fakes
