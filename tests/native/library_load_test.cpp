// Loads libOvilex.so and unloads it again, many times: its load and unload hooks must neither
// crash nor keep the library mapped.
#include <dlfcn.h>

#include <gtest/gtest.h>

namespace {

TEST(LibraryLoadTest, ManyLoadsAndUnloadsUnmapTheLibraryEveryTime) {
  for (int round = 0; round < 300; ++round) {
    void* library = dlopen(OVILEX_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    ASSERT_EQ(dlclose(library), 0) << dlerror();
    ASSERT_EQ(dlopen(OVILEX_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr)
        << "still mapped after its last dlclose, round " << round;
  }
}

}  // namespace
