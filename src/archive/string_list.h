#pragma once
// A list of strings, each with an optional object that the list owns.
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qx {

// The root of objects a list entry can own.
class TObject {
public:
  virtual ~TObject() = default;
};

class TStringList {
public:
  struct TEntry {
    std::string Text;
    std::unique_ptr<TObject> Object;
  };

  int Count() const { return static_cast<int>(Entries.size()); }
  void Add(std::string text, std::unique_ptr<TObject> object = nullptr) {
    Entries.push_back(TEntry{std::move(text), std::move(object)});
  }
  void Delete(int index) { Entries.erase(Entries.begin() + index); }
  void Clear() { Entries.clear(); }

  const std::string& Strings(int index) const { return Entries[static_cast<size_t>(index)].Text; }
  void SetString(int index, std::string text) { Entries[static_cast<size_t>(index)].Text = std::move(text); }
  TObject* Objects(int index) const { return Entries[static_cast<size_t>(index)].Object.get(); }
  // Frees the entry's object.
  void FreeObject(int index) { Entries[static_cast<size_t>(index)].Object.reset(); }

private:
  std::vector<TEntry> Entries;
};

}  // namespace qx
