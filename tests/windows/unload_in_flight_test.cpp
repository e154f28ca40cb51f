// A script that ends while its requests are still in flight: the terminal unloads Ovilex.dll
// under the running workers. The process must survive, and the library must go once the last
// worker has finished.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_services.h"

namespace {

constexpr char kLibrary[] = "Ovilex.dll";

using CreateRequest = int(__stdcall*)(const char*, int, int);
using DestroyRequest = void(__stdcall*)(int);

template <typename Function>
Function ExportOf(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

TEST(UnloadInFlightTest, TheLibraryStaysUntilItsWorkersHaveFinished) {
  const std::string url = TestServices::Get().HttpUrl("/slow?ms=1500");
  HMODULE library = LoadLibraryA(kLibrary);
  ASSERT_NE(library, nullptr);
  const auto create = ExportOf<CreateRequest>(library, "ov_createAsynchRequest");
  const auto destroy = ExportOf<DestroyRequest>(library, "ov_destroyAsynchRequest");
  ASSERT_TRUE(create && destroy);
  for (int i = 0; i < 20; ++i) {
    const int id = create(url.c_str(), 5000, 10000);
    ASSERT_GE(id, 1);
    if (i % 2 == 0) destroy(id);  // released ones start the purge timer
  }
  ASSERT_TRUE(FreeLibrary(library));

  EXPECT_NE(GetModuleHandleA(kLibrary), nullptr) << "unmapped under its running workers";
  // Each worker holds the library until it has stored its outcome; the last one unloads it.
  while (GetModuleHandleA(kLibrary) != nullptr) Sleep(20);
  Sleep(2500);  // a purge tick left behind would now run in unmapped code

  // Loaded afresh, it starts from a new registry.
  library = LoadLibraryA(kLibrary);
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(
      ExportOf<CreateRequest>(library, "ov_createAsynchRequest")("http://127.0.0.1:1/", 1000, 1000),
      1);
  ASSERT_TRUE(FreeLibrary(library));
  while (GetModuleHandleA(kLibrary) != nullptr) Sleep(20);
}

}  // namespace
