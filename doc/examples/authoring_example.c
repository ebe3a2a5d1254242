/* An authoring program's part, in the order the applet expects it (doc/authoring.md): measure the
 * project folder, write the project description and the cover sheet, pack an applet from the bare
 * stub and the support files with qxarc.exe, fill in the registry inputs, start the applet, wait for
 * it, and read its outcome: the exit code and the history the applet wrote back.
 *
 * Usage: authoring_example SUPPORT PROJECT APPLETDIR
 *   SUPPORT    folder holding applet.exe (the bare stub), qxarc.exe, RwLib.dll, DEVICES.DEF and
 *              W2kXP03.qx
 *   PROJECT    the folder to record
 *   APPLETDIR  where the applet is made and started (it must exist)
 * Prints what it did and read, one NAME=VALUE line each, and ends with the applet's exit code. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define KEY_PATH "Software\\Lorvane\\Ravelle\\6.0"
#define APPLET_NAME "Burn My Disc.exe"

static void Join(char* out, size_t size, const char* folder, const char* name) {
  size_t n = strlen(folder);
  snprintf(out, size, "%s%s%s", folder, (n > 0 && folder[n - 1] == '\\') ? "" : "\\", name);
}

/* The bytes of every file below the folder: the applet's LastFolderSize. */
static ULONGLONG FolderSize(const char* folder) {
  char pattern[MAX_PATH], child[MAX_PATH];
  WIN32_FIND_DATAA found;
  ULONGLONG total = 0;
  HANDLE search;
  Join(pattern, sizeof pattern, folder, "*");
  search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
    Join(child, sizeof child, folder, found.cFileName);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      total += FolderSize(child);
    else
      total += ((ULONGLONG)found.nFileSizeHigh << 32) | found.nFileSizeLow;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return total;
}

static int WriteText(const char* path, const char* text) {
  FILE* f = fopen(path, "wb");
  if (!f) return 0;
  fputs(text, f);
  return fclose(f) == 0;
}

/* Starts a command line, waits for it and returns its exit code (-1 when it could not start). */
static long RunAndWait(char* commandLine, const char* folder) {
  STARTUPINFOA startup;
  PROCESS_INFORMATION process;
  DWORD code = 0;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, folder, &startup, &process)) return -1;
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  return (long)code;
}

/* Every value is a string value (REG_SZ); numbers and flags are decimal text. */
static void SetText(HKEY key, const char* name, const char* value) {
  RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)value, (DWORD)strlen(value) + 1);
}

static void PrintValue(HKEY key, const char* name) {
  char value[256];
  DWORD type = 0, size = sizeof value - 1;
  if (RegQueryValueExA(key, name, NULL, &type, (BYTE*)value, &size) != ERROR_SUCCESS || type != REG_SZ) {
    printf("%s=(none)\n", name);
    return;
  }
  value[size] = '\0';
  printf("%s=%s\n", name, value);
}

int main(int argc, char** argv) {
  const char *support, *project, *appletDir;
  char staging[MAX_PATH], path[MAX_PATH], applet[MAX_PATH], stub[MAX_PATH], qxarc[MAX_PATH];
  char command[8 * MAX_PATH], size[32];
  static const char* const kSupportFiles[] = {"W2kXP03.qx", "RwLib.dll", "DEVICES.DEF"};
  ULONGLONG bytes;
  HKEY key;
  long code;
  int i;

  if (argc != 4) {
    fprintf(stderr, "usage: authoring_example SUPPORT PROJECT APPLETDIR\n");
    return 64;
  }
  support = argv[1];
  project = argv[2];
  appletDir = argv[3];

  /* 1. The project folder and its size. */
  bytes = FolderSize(project);
  _ui64toa(bytes, size, 10);
  printf("PROJECT_SIZE=%s\n", size);

  /* 2. The support files, gathered in one folder: the applet's payload stores names relative to the
   *    first file's folder, and the applet unpacks them by these bare names. */
  GetTempPathA(sizeof staging, staging);
  Join(path, sizeof path, staging, "authoring-example");
  strcpy(staging, path);
  CreateDirectoryA(staging, NULL);
  for (i = 0; i < 3; ++i) {
    char from[MAX_PATH];
    Join(from, sizeof from, support, kSupportFiles[i]);
    Join(path, sizeof path, staging, kSupportFiles[i]);
    if (!CopyFileA(from, path, FALSE)) {
      fprintf(stderr, "authoring_example: cannot copy %s\n", from);
      return 1;
    }
  }
  /* The project description: its first line names the source (sent with the results report), its
   * "TITLE" section the title (the memo shows it; the disc title is made from it). */
  Join(path, sizeof path, staging, "qxorig.qx");
  if (!WriteText(path, "Example Authoring 1.0\r\n[TITLE]\r\nTitle=Example Disc\r\n")) return 1;

  /* 3. The cover sheet beside the applet: its "TRACKS AND TAGS" section holds the track title. */
  Join(path, sizeof path, appletDir, "CoverSheet.htm");
  if (!WriteText(path,
                 "<html><body><h1>Example Disc</h1>\r\n<!--\r\n[TRACKS AND TAGS]\r\n1=Example track\r\n"
                 "[END OF TAGS]\r\n-->\r\n</body></html>\r\n"))
    return 1;

  /* 4. The applet: the bare stub followed by the payload, packed by qxarc. */
  Join(stub, sizeof stub, support, "applet.exe");
  Join(qxarc, sizeof qxarc, support, "qxarc.exe");
  Join(applet, sizeof applet, appletDir, APPLET_NAME);
  snprintf(command, sizeof command,
           "\"%s\" applet \"%s\" \"%s\" \"%s\\W2kXP03.qx\" \"%s\\qxorig.qx\" \"%s\\RwLib.dll\" "
           "\"%s\\DEVICES.DEF\"",
           qxarc, stub, applet, staging, staging, staging, staging);
  code = RunAndWait(command, appletDir);
  for (i = 0; i < 3; ++i) {
    Join(path, sizeof path, staging, kSupportFiles[i]);
    DeleteFileA(path);
  }
  Join(path, sizeof path, staging, "qxorig.qx");
  DeleteFileA(path);
  RemoveDirectoryA(staging);
  printf("QXARC_EXIT=%ld\n", code);
  if (code != 0) return 1;

  /* 5. The registry inputs. BBResult is removed first, so that what is read afterwards is this
   *    session's outcome and not an earlier one's. */
  if (RegCreateKeyExA(HKEY_CURRENT_USER, KEY_PATH, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) !=
      ERROR_SUCCESS)
    return 1;
  SetText(key, "LastFolderPath", project);
  SetText(key, "LastFolderSize", size);
  SetText(key, "LastVolName", "EXAMPLE");
  SetText(key, "LastDiscNumber", "7");
  SetText(key, "LastProjectDeleteIt", "0");
  SetText(key, "DeleteApplet", "1");
  SetText(key, "Testing", "0");
  RegDeleteValueA(key, "BBResult");
  RegCloseKey(key);

  /* 6. Start the applet (its path quoted: it holds blanks) and wait for the user to finish. */
  snprintf(command, sizeof command, "\"%s\"", applet);
  code = RunAndWait(command, appletDir);
  printf("APPLET_EXIT=%ld\n", code);

  /* 7. The outcome the applet wrote back: BBResult equals the exit code. */
  if (RegOpenKeyExA(HKEY_CURRENT_USER, KEY_PATH, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    PrintValue(key, "BBResult");
    PrintValue(key, "PriorBurnWasGood");
    PrintValue(key, "TAOModeSuccess");
    PrintValue(key, "TAOModeFail");
    PrintValue(key, "PriorX");
    RegCloseKey(key);
  }

  /* 8. After a completed disc the clean-up batch deletes the applet once its process has gone. */
  if (code == 0)
    for (i = 0; i < 60 && GetFileAttributesA(applet) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(500);
  printf("APPLET_LEFT=%s\n", GetFileAttributesA(applet) != INVALID_FILE_ATTRIBUTES ? "yes" : "no");
  return (int)code;
}
