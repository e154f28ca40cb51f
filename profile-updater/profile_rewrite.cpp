#include "profile-updater/profile_rewrite.h"

#include "profile-updater/chart_symbol.h"

std::u16string InFolder(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  if (!path.ends_with(u'\\')) path += u'\\';
  return path.append(name);
}

int RewriteDefaultProfile(std::u16string_view folder, std::string_view suffix, ChartFiles& files) {
  const std::u16string profileFolder = InFolder(folder, u"profiles\\default");
  int rewritten = 0;
  for (const std::u16string& name : files.List(profileFolder)) {
    const std::u16string path = InFolder(profileFolder, name);
    const std::optional<std::string> content = files.Read(path);
    if (!content) continue;
    const std::optional<std::string> changed = ReplaceChartSymbolSuffix(*content, suffix);
    if (changed && files.Replace(path, *changed)) ++rewritten;
  }
  return rewritten;
}
