#pragma once
// What the Symwatch tests and the account-change tour share: the terminal's symbol lists, the
// stand-in's script that starts the watch, and the caption of Symwatch's question.

#include <string>

inline constexpr char kAccountChangeCaption[] = "Change of account type";

// A symbol list whose first symbol is `name`: the name at file offset 8, 200 bytes in all.
inline std::string SymbolList(const std::string& name) {
  std::string bytes(200, '\0');
  bytes.replace(8, name.size(), name);
  return bytes;
}

// The stand-in's script that starts the watch for `folderText` and `suffix`, runs `moreSteps`
// and unloads the library, as a script that ends does. The call is on line 2.
inline std::string WatchScript(const std::string& folderText, const std::string& suffix,
                               const std::string& moreSteps = "") {
  return "load Symwatch.dll\ncall Symwatch.dll StartAccountTypeWatch \"" + folderText + "\" \"" +
         suffix + "\"\n" + moreSteps + "unload Symwatch.dll\n";
}
