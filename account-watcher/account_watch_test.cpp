#include "account-watcher/account_watch.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>

#include "account-watcher/symbol_list.h"

namespace {

// A terminal folder, its windows and its user, in memory. Symbol lists are given by their
// first symbol's name and last-write time.
class FakeWatchEnvironment : public WatchEnvironment {
 public:
  struct SymbolFile {
    std::uint64_t time = 1;
    std::string name = "EURUSDm";
    std::uint64_t fileSize = 4000;
    std::size_t delivered = kRecordSize;  // bytes the record read delivers
  };

  std::deque<bool> windowLooks;  // one answer per look; when empty, the window is there
  bool historyIsFolder = true;
  std::optional<std::vector<HistoryEntry>> history = std::vector<HistoryEntry>{};
  std::map<std::string, SymbolFile> lists;         // path of symbols.sel: its contents
  std::set<std::string> unreadableOnReopen;  // lists whose second open fails
  bool updaterExists = true;
  bool userSaysOk = true;
  bool startSucceeds = true;

  std::vector<std::string> traces, asked, told, started;
  int sleptMs = 0;

  void AddList(const std::string& server, SymbolFile list) {
    history->push_back({server, true});
    lists[kHistory + server + "\\symbols.sel"] = list;
  }

  static inline const std::string kFolder = "C:\\MT4";
  static inline const std::string kHistory = "C:\\MT4\\history\\";

  bool FindTerminalWindow() override {
    if (windowLooks.empty()) return true;
    const bool found = windowLooks.front();
    windowLooks.pop_front();
    return found;
  }
  bool MayBeFolder(const std::string& path) override {
    EXPECT_EQ(path, "C:\\MT4\\history");
    return historyIsFolder;
  }
  std::optional<std::vector<HistoryEntry>> List(const std::string&) override { return history; }
  std::optional<std::uint64_t> LastWriteTime(const std::string& path) override {
    if (!lists.contains(path)) return std::nullopt;
    return lists.at(path).time;
  }
  std::optional<SymbolListRecord> ReadRecord(const std::string& path) override {
    if (!lists.contains(path) || unreadableOnReopen.contains(path)) return std::nullopt;
    const SymbolFile& list = lists.at(path);
    std::string record(kRecordSize, 'Z');
    record.replace(4, list.name.size(), list.name);
    if (list.name.size() < 12) record[4 + list.name.size()] = '\0';
    return SymbolListRecord{list.fileSize, record.substr(0, list.delivered)};
  }
  bool FileExists(const std::string& path) override {
    EXPECT_EQ(path, "C:\\MT4\\experts\\libraries\\Profixer.exe");
    return updaterExists;
  }
  bool Ask(const std::string& text, const std::string& caption) override {
    asked.push_back(caption + ": " + text);
    return userSaysOk;
  }
  void Tell(const std::string& text, const std::string& caption) override {
    told.push_back(caption + ": " + text);
  }
  bool Start(const std::string& path, const std::string& parameters) override {
    started.push_back(path + " " + parameters);
    return startSucceeds;
  }
  unsigned long ProcessId() override { return 4711; }
  void Trace(std::string_view text) override { traces.emplace_back(text); }
  void Sleep(int milliseconds) override { sleptMs += milliseconds; }
};

using SymbolFile = FakeWatchEnvironment::SymbolFile;

int Step(FakeWatchEnvironment& environment, const std::string& expected = "m") {
  WatchFlags flags;
  return WatchStep({FakeWatchEnvironment::kFolder, expected}, flags, environment);
}

TEST(AccountWatchTest, AStepTellsMatchFromNothingConclusive) {
  const struct {
    const char* what;
    void (*setUp)(FakeWatchEnvironment&);
    std::string expected;
    int result;
  } kCases[] = {
      {"no window yet", [](auto& e) { e.windowLooks = {false}; }, "m", kWatchInconclusive},
      {"history is a file", [](auto& e) { e.historyIsFolder = false; }, "m", kWatchInconclusive},
      {"history cannot be listed", [](auto& e) { e.history.reset(); }, "m", kWatchInconclusive},
      {"no symbol list", [](auto&) {}, "m", kWatchInconclusive},
      {"list cannot be reopened",
       [](auto& e) {
         e.AddList("A", {});
         e.unreadableOnReopen = {FakeWatchEnvironment::kHistory + "A\\symbols.sel"};
       },
       "m", kWatchInconclusive},
      {"file below 128 bytes", [](auto& e) { e.AddList("A", {.fileSize = 127}); }, "m",
       kWatchInconclusive},
      {"130-byte file: the read from offset 4 falls short",
       [](auto& e) { e.AddList("A", {.fileSize = 130, .delivered = 126}); }, "m",
       kWatchInconclusive},
      {"five-character name", [](auto& e) { e.AddList("A", {.name = "GOLD1"}); }, "",
       kWatchInconclusive},
      {"match", [](auto& e) { e.AddList("A", {}); }, "m", kWatchSuffixMatches},
      {"match in other capitals", [](auto& e) { e.AddList("A", {.name = "EURUSDpro"}); }, "PRO",
       kWatchSuffixMatches},
      {"six characters match only an empty suffix",
       [](auto& e) { e.AddList("A", {.name = "EURUSD"}); }, "", kWatchSuffixMatches},
      {"six characters against m", [](auto& e) { e.AddList("A", {.name = "EURUSD"}); }, "m",
       kWatchChangeHandled},
      {"only the first 12 characters count",
       [](auto& e) { e.AddList("A", {.name = "EURUSDmicro1X"}); }, "micro1", kWatchSuffixMatches},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FakeWatchEnvironment environment;
    environment.userSaysOk = false;
    c.setUp(environment);
    EXPECT_EQ(Step(environment, c.expected), c.result);
  }
}

TEST(AccountWatchTest, TheNewestListOfAServerFolderCounts) {
  const struct {
    const char* what;
    std::vector<std::pair<HistoryEntry, SymbolFile>> entries;
    int result;  // with "m" expected: 1 when the "EURUSDm" list is the one read
  } kCases[] = {
      {"newer list wins", {{{"A", true}, {10, "EURUSDx"}}, {{"B", true}, {11, "EURUSDm"}}}, 1},
      {"a tie keeps the first",
       {{{"A", true}, {10, "EURUSDm"}}, {{"B", true}, {10, "EURUSDx"}}},
       1},
      {"the high half decides",
       {{{"A", true}, {(2ull << 32) + 1, "EURUSDm"}}, {{"B", true}, {(1ull << 32) + 9, "EURUSDx"}}},
       1},
      {"downloads in any case is skipped",
       {{{"A", true}, {10, "EURUSDm"}}, {{"DownLoads", true}, {99, "EURUSDx"}}},
       1},
      {"plain files are skipped",
       {{{"A", true}, {10, "EURUSDm"}}, {{"B", false}, {99, "EURUSDx"}}},
       1},
      {"dot entries are skipped",
       {{{"A", true}, {10, "EURUSDm"}},
        {{"..", true}, {99, "EURUSDx"}},
        {{".", true}, {99, "EURUSDx"}}},
       1},
      {"a time of 0 never counts", {{{"A", true}, {0, "EURUSDm"}}}, kWatchInconclusive},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FakeWatchEnvironment environment;
    environment.updaterExists = false;
    for (const auto& [entry, list] : c.entries) {
      environment.history->push_back(entry);
      environment.lists[FakeWatchEnvironment::kHistory + entry.name + "\\symbols.sel"] = list;
    }
    EXPECT_EQ(Step(environment), c.result);
  }
}

TEST(AccountWatchTest, AChangeAsksOnceAndStartsTheUpdaterWithTheNewSuffix) {
  const std::string kPrompt = std::string(kPromptCaption) + ": " + kPromptText;
  const struct {
    const char* what;
    bool updaterExists, userSaysOk, startSucceeds;
    std::vector<std::string> asked, started, told;
  } kCases[] = {
      {"no updater: no prompt", false, true, true, {}, {}, {}},
      {"cancel", true, false, true, {kPrompt}, {}, {}},
      {"ok",
       true,
       true,
       true,
       {kPrompt},
       {"C:\\MT4\\experts\\libraries\\Profixer.exe \"C:\\MT4\" \"pro\" 4711"},
       {}},
      {"the updater does not start",
       true,
       true,
       false,
       {kPrompt},
       {"C:\\MT4\\experts\\libraries\\Profixer.exe \"C:\\MT4\" \"pro\" 4711"},
       {std::string(kRestartCaption) + ": " + kRestartText}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FakeWatchEnvironment environment;
    environment.AddList("A", {.name = "EURUSDpro"});
    environment.updaterExists = c.updaterExists;
    environment.userSaysOk = c.userSaysOk;
    environment.startSucceeds = c.startSucceeds;
    WatchFlags flags;
    EXPECT_EQ(WatchStep({"C:\\MT4", "m"}, flags, environment), kWatchChangeHandled);
    EXPECT_EQ(WatchStep({"C:\\MT4", "m"}, flags, environment), kWatchChangeHandled);
    EXPECT_EQ(environment.asked, c.asked) << "at most one prompt per process";
    EXPECT_EQ(environment.started, c.started);
    EXPECT_EQ(environment.told, c.told);
  }
}

TEST(AccountWatchTest, TheFolderGivesTheSamePathsWithOrWithoutItsBackslash) {
  for (const std::string folder : {"C:\\MT4", "C:\\MT4\\"}) {
    EXPECT_EQ(InTerminalFolder(folder, "history"), "C:\\MT4\\history");
    EXPECT_EQ(UpdaterParameters(folder, ".ecn", 42), "\"C:\\MT4\" \".ecn\" 42");
  }
  EXPECT_EQ(UpdaterParameters("C:\\", "", 7), "\"C:\" \"\" 7");
}

TEST(AccountWatchTest, TracesAMatchingStep) {
  FakeWatchEnvironment environment;
  environment.AddList("A", {.time = 5, .name = "EURUSDm"});
  environment.AddList("B", {.time = 6, .name = "GBPUSDm"});
  EXPECT_EQ(Step(environment), kWatchSuffixMatches);
  EXPECT_EQ(environment.traces,
            (std::vector<std::string>{"MT4 got symbols file installation",
                                      "MT4 got symbols file installation",
                                      "MT4 verifying available symbols", "MT4 symbol...", "GBPUSDm",
                                      "MT4 symbol match against pre-installation"}));
}

TEST(AccountWatchTest, TheWatchRunsUntilTheTerminalHasGoneOrTheChangeIsHandled) {
  FakeWatchEnvironment gone;
  gone.AddList("A", {});
  gone.windowLooks = {false, false, true, true, false};  // not up yet, up, then gone
  WatchFlags flags;
  RunWatch({"C:\\MT4", "m"}, flags, gone);
  EXPECT_EQ(gone.sleptMs, 5000) << "one second before each of five steps";
  EXPECT_TRUE(gone.windowLooks.empty());

  FakeWatchEnvironment changed;
  changed.AddList("A", {.name = "EURUSDx"});
  changed.userSaysOk = false;
  WatchFlags otherFlags;
  RunWatch({"C:\\MT4", "m"}, otherFlags, changed);
  EXPECT_EQ(changed.sleptMs, 1000);
  EXPECT_EQ(changed.asked.size(), 1u);
}

}  // namespace
