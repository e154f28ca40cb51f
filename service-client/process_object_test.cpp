#include "service-client/process_object.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::vector<std::string> events;

// Stands in for a registry: records its construction and destruction.
class FakeRegistry {
 public:
  explicit FakeRegistry(std::string name) : FName(std::move(name)) {
    events.push_back("create " + FName);
  }
  ~FakeRegistry() { events.push_back("destroy " + FName); }
  const std::string& Name() const { return FName; }

 private:
  std::string FName;
};

TEST(ProcessObjectTest, ARepeatedAttachOrDetachCreatesOrDestroysNothingTwice) {
  events.clear();
  ProcessObject<FakeRegistry> ticks;
  ProcessObject<FakeRegistry> requests;
  for (int attach = 0; attach < 2; ++attach) {
    ticks.Create("ticks");
    requests.Create("requests");
  }
  EXPECT_EQ(ticks.Get().Name(), "ticks");
  for (int detach = 0; detach < 2; ++detach) {
    ticks.Destroy();
    requests.Destroy();
  }
  EXPECT_EQ(events, (std::vector<std::string>{"create ticks", "create requests", "destroy ticks",
                                              "destroy requests"}));
}

TEST(ProcessObjectTest, UseOutsideAttachAndDetachThrowsForTheExportFrame) {
  ProcessObject<FakeRegistry> requests;
  EXPECT_FALSE(requests.Exists());
  EXPECT_THROW(requests.Get(), std::logic_error);
  requests.Create("requests");
  EXPECT_TRUE(requests.Exists());
  requests.Destroy();
  EXPECT_THROW(requests.Get(), std::logic_error);
}

}  // namespace
