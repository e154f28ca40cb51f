#include "profile-updater/profile_rewrite.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// Charts in memory. A chart can be made unreadable (held open elsewhere, or a folder) or
// unreplaceable (the disk is full); each replacement is counted.
class MemoryChartFiles : public ChartFiles {
 public:
  std::map<std::u16string, std::string> files;
  std::set<std::u16string> unreadable, unreplaceable;
  std::vector<std::u16string> listedFolders, replaced;

  std::vector<std::u16string> List(const std::u16string& folder) override {
    listedFolders.push_back(folder);
    std::vector<std::u16string> names;
    for (const auto& [path, content] : files) {
      if (path.starts_with(folder) && path.ends_with(u".chr")) {
        names.push_back(path.substr(folder.size() + 1));
      }
    }
    return names;
  }
  std::optional<std::string> Read(const std::u16string& path) override {
    if (unreadable.contains(path) || !files.contains(path)) return std::nullopt;
    return files.at(path);
  }
  bool Replace(const std::u16string& path, std::string_view content) override {
    if (unreplaceable.contains(path)) return false;
    replaced.push_back(path);
    files[path] = content;
    return true;
  }
};

const std::u16string kProfile = u"C:\\MT4\\profiles\\default\\";

TEST(ProfileRewriteTest, TheProfileFolderIsTheSameWithOrWithoutTheTrailingBackslash) {
  for (const std::u16string folder : {u"C:\\MT4", u"C:\\MT4\\"}) {
    MemoryChartFiles files;
    RewriteDefaultProfile(folder, "k", files);
    EXPECT_EQ(files.listedFolders, std::vector<std::u16string>{u"C:\\MT4\\profiles\\default"});
  }
  EXPECT_EQ(InFolder(u"C:\\MT4\\", u"terminal.exe"), u"C:\\MT4\\terminal.exe");
  EXPECT_EQ(InFolder(u"C:\\MT4", u"terminal.exe"), u"C:\\MT4\\terminal.exe");
}

TEST(ProfileRewriteTest, RewritesEveryChartItCanAndLeavesTheOthersAlone) {
  MemoryChartFiles files;
  files.files = {
      {kProfile + u"chart01.chr", "symbol=EURUSDm\r\n"},
      {kProfile + u"chart02.chr", "symbol=GBPUSDm\r\n"},  // held open by another program
      {kProfile + u"chart03.chr", "symbol=USDJPYm\r\n"},  // the disk is full
      {kProfile + u"chart04.chr", "period=60\r\n"},       // no symbol
      {kProfile + u"chart05.chr", "symbol=AUDUSDm\r\n"},
  };
  files.unreadable = {kProfile + u"chart02.chr"};
  files.unreplaceable = {kProfile + u"chart03.chr"};

  EXPECT_EQ(RewriteDefaultProfile(u"C:\\MT4", "pro", files), 2);
  EXPECT_EQ(files.files.at(kProfile + u"chart01.chr"), "symbol=EURUSDpro\r\n");
  EXPECT_EQ(files.files.at(kProfile + u"chart02.chr"), "symbol=GBPUSDm\r\n");
  EXPECT_EQ(files.files.at(kProfile + u"chart03.chr"), "symbol=USDJPYm\r\n");
  EXPECT_EQ(files.files.at(kProfile + u"chart05.chr"), "symbol=AUDUSDpro\r\n");
  EXPECT_EQ(files.replaced,
            (std::vector<std::u16string>{kProfile + u"chart01.chr", kProfile + u"chart05.chr"}))
      << "a chart without a symbol to change is not written at all";
}

}  // namespace
