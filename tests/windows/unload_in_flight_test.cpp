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

CreateRequest CreateRequestOf(HMODULE library) {
  return reinterpret_cast<CreateRequest>(
      reinterpret_cast<void*>(GetProcAddress(library, "ov_createAsynchRequest")));
}

TEST(UnloadInFlightTest, TheLibraryStaysUntilItsWorkersHaveFinished) {
  const std::string url = TestServices::Get().HttpUrl("/slow?ms=1500");
  HMODULE library = LoadLibraryA(kLibrary);
  ASSERT_NE(library, nullptr);
  const CreateRequest create = CreateRequestOf(library);
  ASSERT_NE(create, nullptr);
  for (int i = 0; i < 20; ++i) ASSERT_GE(create(url.c_str(), 5000, 10000), 1);
  ASSERT_TRUE(FreeLibrary(library));

  EXPECT_NE(GetModuleHandleA(kLibrary), nullptr) << "unmapped under its running workers";
  // Each worker holds the library until it has stored its outcome; the last one unloads it.
  while (GetModuleHandleA(kLibrary) != nullptr) Sleep(20);

  // Loaded afresh, it starts from a new registry.
  library = LoadLibraryA(kLibrary);
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(CreateRequestOf(library)("http://127.0.0.1:1/", 1000, 1000), 1);
  ASSERT_TRUE(FreeLibrary(library));
  while (GetModuleHandleA(kLibrary) != nullptr) Sleep(20);
}

}  // namespace
