// Loads Ovilex.dll by name, as a terminal script does, and unloads it again, many times.
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kLibrary[] = "Ovilex.dll";

// The value the next new handle gets. Handles are handed out lowest free value first (Wine's
// GetProcessHandleCount reports 0), so a value that has grown means that handles leaked.
UINT_PTR NextHandleValue() {
  HANDLE probe = CreateEventA(nullptr, /*bManualReset=*/FALSE, /*bInitialState=*/FALSE, nullptr);
  CloseHandle(probe);
  return reinterpret_cast<UINT_PTR>(probe);
}

int ThreadsOfThisProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// Loads and unloads the library once; returns what went wrong, or "" when nothing did.
// (A plain result rather than ASSERT_NO_FATAL_FAILURE, whose per-thread bookkeeping starts a
// watcher thread of GoogleTest's own on Windows.)
std::string LoadAndUnload() {
  HMODULE library = LoadLibraryA(kLibrary);
  if (library == nullptr) return "LoadLibraryA failed, error " + std::to_string(GetLastError());
  if (!FreeLibrary(library)) return "FreeLibrary failed";
  if (GetModuleHandleA(kLibrary) != nullptr) return "still mapped after its last FreeLibrary";
  return "";
}

TEST(LibraryLoadTest, ManyLoadsAndUnloadsLeaveNoHandleAndNoThread) {
  ASSERT_EQ(LoadAndUnload(), "");  // the first load may set up system state for good
  const UINT_PTR handleBefore = NextHandleValue();
  const int threadsBefore = ThreadsOfThisProcess();
  for (int round = 0; round < 300; ++round) {
    const std::string failure = LoadAndUnload();
    ASSERT_EQ(failure, "") << "round " << round;
  }
  EXPECT_EQ(NextHandleValue(), handleBefore);
  EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore);
}

TEST(LibraryLoadTest, NestedLoadsUnloadOnTheLastFree) {
  HMODULE first = LoadLibraryA(kLibrary);
  HMODULE second = LoadLibraryA(kLibrary);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  ASSERT_TRUE(FreeLibrary(second));
  EXPECT_EQ(GetModuleHandleA(kLibrary), first);
  ASSERT_TRUE(FreeLibrary(first));
  EXPECT_EQ(GetModuleHandleA(kLibrary), nullptr);
}

// The index the next TLS slot gets: lowest free first, so a grown index means leaked slots. A
// process has about a thousand, shared with the terminal, and the terminal loads the library
// anew for every script run.
DWORD NextTlsIndex() {
  const DWORD index = TlsAlloc();
  TlsFree(index);
  return index;
}

template <typename Function>
Function ExportOf(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// One script run: a request that goes through the transport and fails, a reader called wrongly,
// a login that waits for its failed exchange, a tick generator started and stopped.
std::string RunAScript() {
  HMODULE library = LoadLibraryA(kLibrary);
  if (library == nullptr) return "LoadLibraryA failed";
  const auto create =
      ExportOf<int(__stdcall*)(const char*, int, int)>(library, "ov_createAsynchRequest");
  const auto complete = ExportOf<int(__stdcall*)(int)>(library, "ov_isAsynchRequestComplete");
  const auto read =
      ExportOf<int(__stdcall*)(int, char*, int, int)>(library, "ov_getAsynchResponse");
  const auto login =
      ExportOf<int(__stdcall*)(const wchar_t*, const wchar_t*, const wchar_t*, wchar_t*, wchar_t*)>(
          library, "authenticateUser");
  const auto start = ExportOf<void(__stdcall*)(int)>(library, "ov_startTickGeneration");
  const auto stop = ExportOf<void(__stdcall*)(int)>(library, "ov_stopTickGeneration");
  const int id = create("http://127.0.0.1:1/", 2000, 2000);
  while (complete(id) == 0) Sleep(5);
  char buffer[8];
  read(id, buffer, -1, 4);
  read(id, nullptr, 0, 4);
  wchar_t message[1024], code[2];
  if (login(L"u", L"p", L"http://127.0.0.1:1/", message, code) != 1) return "login succeeded";
  start(1);
  stop(1);
  FreeLibrary(library);
  for (int waited = 0; GetModuleHandleA(kLibrary) != nullptr; ++waited) {
    if (waited == 2000) return "still mapped 10 s after its last FreeLibrary";
    Sleep(5);
  }
  return "";
}

TEST(LibraryLoadTest, ScriptRunsLeaveNoThreadLocalStorageSlotBehind) {
  ASSERT_EQ(RunAScript(), "");
  const DWORD before = NextTlsIndex();
  for (int run = 0; run < 20; ++run) ASSERT_EQ(RunAScript(), "") << "run " << run;
  EXPECT_EQ(NextTlsIndex(), before);
}

}  // namespace
