#include <gtest/gtest.h>

#include <string>

#include "common/folder_guard.h"

using namespace qx;

namespace {

TProtectedFolders Machine() {
  TProtectedFolders p;
  p.AppletFolder = "C:\\Users\\ann\\Downloads\\Burn\\";
  p.WindowsFolder = "C:\\Windows";
  p.SystemFolders = {"C:\\Windows\\system32", "C:\\Windows\\SysWOW64"};
  p.ProfileFolder = "C:\\Users\\ann";
  p.WellKnownFolders = {"C:\\Users\\ann\\Desktop",
                        "C:\\Users\\ann\\Documents",
                        "C:\\Program Files",
                        "C:\\Program Files (x86)",
                        "C:\\Users\\ann\\AppData\\Local\\Temp",
                        "D:\\My Music"};
  return p;
}

}  // namespace

// Every folder the history can name, with what the clean-up may do with it.
TEST(ClearFolderRefusal, OnlyAProjectFolderMayBeEmptied) {
  struct TRow {
    const char* Folder;
    TFolderRefusal Expected;
  };
  const TRow rows[] = {
      {"C:\\Users\\ann\\Documents\\Disc 1", TFolderRefusal::frNone},
      {"C:\\Users\\ann\\Documents\\Disc 1\\", TFolderRefusal::frNone},
      {"c:/users/ann/documents/disc 1/", TFolderRefusal::frNone},
      {"C:\\Users\\ann\\AppData\\Local\\Temp\\qxproj", TFolderRefusal::frNone},
      {"C:\\Users\\ann\\Downloads\\Burn\\project", TFolderRefusal::frNone},  // below the applet
      {"C:\\Users\\ann\\Downloads\\Burnt", TFolderRefusal::frNone},          // a name that only starts alike
      {"\\\\server\\share\\projects\\disc", TFolderRefusal::frNone},
      {"E:\\Disc", TFolderRefusal::frNone},
      {"", TFolderRefusal::frNotAbsolute},
      {"project", TFolderRefusal::frNotAbsolute},
      {"C:", TFolderRefusal::frNotAbsolute},
      {"C:project", TFolderRefusal::frNotAbsolute},
      {"\\project", TFolderRefusal::frNotAbsolute},
      {"\\\\?\\C:\\project", TFolderRefusal::frNotAbsolute},
      {"\\\\.\\C:", TFolderRefusal::frNotAbsolute},
      {"\\\\server", TFolderRefusal::frNotAbsolute},
      {"C:\\Users\\ann\\Documents\\..\\..", TFolderRefusal::frDotSegment},
      {"C:\\Users\\.\\ann", TFolderRefusal::frDotSegment},
      {"C:\\", TFolderRefusal::frRoot},
      {"Q:\\", TFolderRefusal::frRoot},
      {"q:\\\\", TFolderRefusal::frRoot},
      {"\\\\server\\share", TFolderRefusal::frRoot},
      {"\\\\server\\share\\", TFolderRefusal::frRoot},
      {"C:\\WINDOWS", TFolderRefusal::frProtected},
      {"C:\\Windows\\System32\\", TFolderRefusal::frProtected},
      {"C:\\Users\\Ann", TFolderRefusal::frProtected},
      {"C:\\Users\\ann\\Desktop", TFolderRefusal::frProtected},
      {"C:\\Program Files\\", TFolderRefusal::frProtected},
      {"c:\\users\\ann\\appdata\\local\\temp", TFolderRefusal::frProtected},
      {"D:\\My Music", TFolderRefusal::frProtected},
      {"C:\\Users\\ann\\Downloads\\Burn", TFolderRefusal::frAppletFolder},
      {"C:\\Users\\ann\\Downloads", TFolderRefusal::frHoldsProtected},  // holds the applet
      {"C:\\Users", TFolderRefusal::frHoldsProtected},                  // holds the profile
      {"C:\\Users\\ann\\AppData", TFolderRefusal::frHoldsProtected},
  };
  const TProtectedFolders machine = Machine();
  for (const TRow& row : rows)
    EXPECT_EQ(ClearFolderRefusal(row.Folder, machine), row.Expected) << '"' << row.Folder << '"';
}

// Facts the platform could not give are no reason to refuse, and no reason to allow a root.
TEST(ClearFolderRefusal, MissingFactsAreSkipped) {
  const TProtectedFolders none;
  EXPECT_EQ(ClearFolderRefusal("C:\\Disc", none), TFolderRefusal::frNone);
  EXPECT_EQ(ClearFolderRefusal("C:\\", none), TFolderRefusal::frRoot);
  EXPECT_EQ(ClearFolderRefusal("", none), TFolderRefusal::frNotAbsolute);
}

// The platform resolves the history's name against the current folder, which is the applet's: a
// relative name or one with "." or ".." would pass as the full path it becomes. The name as the
// history gives it is judged first, then what it resolves to.
TEST(ClearFolderRefusal, TheNamedFolderIsJudgedBeforeItsResolvedPath) {
  struct TRow {
    const char* Named;
    const char* Resolved;
    TFolderRefusal Expected;
  };
  const TRow rows[] = {
      {"Project", "C:\\Users\\ann\\Downloads\\Burn\\Project", TFolderRefusal::frNotAbsolute},
      {"C:", "C:\\Users\\ann\\Downloads\\Burn", TFolderRefusal::frNotAbsolute},
      {"C:Project", "C:\\Users\\ann\\Downloads\\Burn\\Project", TFolderRefusal::frNotAbsolute},
      {"C:\\Disc\\..\\Other", "C:\\Other", TFolderRefusal::frDotSegment},
      {"C:\\Disc\\", "C:\\Disc", TFolderRefusal::frNone},
      {"C:\\DISCS~1\\Summer", "C:\\Discs of 2026\\Summer", TFolderRefusal::frNone},
      {"C:\\Progra~1", "C:\\Program Files", TFolderRefusal::frProtected},  // the short name's folder
      {"\\\\server\\share\\", "\\\\server\\share", TFolderRefusal::frRoot},
  };
  const TProtectedFolders machine = Machine();
  for (const TRow& row : rows)
    EXPECT_EQ(ClearFolderRefusal(row.Named, row.Resolved, machine), row.Expected) << '"' << row.Named << '"';
}
