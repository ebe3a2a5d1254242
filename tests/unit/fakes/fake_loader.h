#pragma once
// The binding's loader in a test: it hands out a table of exports (plain
// functions of the test, called through their slots exactly as the real library's are), the texts
// of the program's text table, and the fake's "hardware fault", a C++ exception an entry point
// throws and the guard catches.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "recording/library_loader.h"
#include "res/texts.h"

namespace qx::fakes {

struct TFaultInLibrary {};

class TFakeLoader : public TLibraryLoader {
public:
  std::map<std::string, TLibraryProc> Exports;
  bool Loadable = true;
  std::string OnlyName;  // when set, only this name loads
  std::function<void()> OnFree;
  int Loads = 0, Frees = 0;
  std::vector<std::string> Lookups;
  std::string LoadedName;
  int Handle = 0;

  void* Load(const std::string& name) override {
    LoadedName = name;
    ++Loads;
    const bool found = OnlyName.empty() || name == OnlyName;
    return Loadable && found ? &Handle : nullptr;
  }
  TLibraryProc Lookup(void* handle, const char* name) override {
    EXPECT_EQ(handle, &Handle);
    Lookups.push_back(name);
    auto it = Exports.find(name);
    return it == Exports.end() ? nullptr : it->second;
  }
  bool Free(void* handle) override {
    EXPECT_EQ(handle, &Handle);
    ++Frees;
    if (OnFree) OnFree();
    return true;
  }
  bool RunGuarded(const std::function<void()>& call) override {
    try {
      call();
      return true;
    } catch (const TFaultInLibrary&) {
      return false;
    }
  }
};

// The program's texts, by id, from the one text table.
class TTableTexts : public TTextSource {
public:
  std::string Text(unsigned id) override {
    const char* text = TextById(id);
    return text ? text : "";
  }
};

}  // namespace qx::fakes
