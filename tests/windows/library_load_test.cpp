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

}  // namespace
