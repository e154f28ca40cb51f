#include "account-watcher/account_watch.h"

#include <optional>

#include "account-watcher/symbol_list.h"

namespace {

constexpr int kStepIntervalMs = 1000;

bool IsSkippedFolder(const std::string& name) {
  return name == "." || name == ".." || SameIgnoringCase(name, "downloads");
}

// The newest symbols.sel of the history folder's subfolders; a tie keeps the one listed first.
std::optional<std::string> NewestSymbolList(const std::string& history,
                                            WatchEnvironment& environment) {
  const auto entries = environment.List(history);
  if (!entries) return std::nullopt;
  std::optional<std::string> newest;
  std::uint64_t newestTime = 0;
  for (const HistoryEntry& entry : *entries) {
    if (!entry.isFolder || IsSkippedFolder(entry.name)) continue;
    const std::string candidate = history + "\\" + entry.name + "\\symbols.sel";
    const std::optional<std::uint64_t> time = environment.LastWriteTime(candidate);
    if (time && *time > newestTime) {
      newest = candidate;
      newestTime = *time;
      environment.Trace("MT4 got symbols file installation");
    }
  }
  return newest;
}

void HandleChange(const WatchParams& params, const std::string& newSuffix, WatchFlags& flags,
                  WatchEnvironment& environment) {
  const std::string updater = InTerminalFolder(params.folder, "experts\\libraries\\Profixer.exe");
  if (!environment.FileExists(updater) || flags.promptShown.exchange(true)) return;
  if (!environment.Ask(kPromptText, kPromptCaption)) return;
  const std::string parameters =
      UpdaterParameters(params.folder, newSuffix, environment.ProcessId());
  if (!environment.Start(updater, parameters)) environment.Tell(kRestartText, kRestartCaption);
}

}  // namespace

int WatchStep(const WatchParams& params, WatchFlags& flags, WatchEnvironment& environment) {
  if (!environment.FindTerminalWindow()) {
    return flags.terminalSeen ? kWatchTerminalGone : kWatchInconclusive;
  }
  flags.terminalSeen = true;

  const std::string history = InTerminalFolder(params.folder, "history");
  if (!environment.MayBeFolder(history)) return kWatchInconclusive;
  const std::optional<std::string> newest = NewestSymbolList(history, environment);
  if (!newest) return kWatchInconclusive;

  const std::optional<SymbolListRecord> record = environment.ReadRecord(*newest);
  if (!record) {
    environment.Trace("MT4 unable to open symbols file");
    return kWatchInconclusive;
  }
  if (record->fileSize < kRecordSize) return kWatchInconclusive;
  environment.Trace("MT4 verifying available symbols");
  if (record->record.size() < kRecordSize) return kWatchInconclusive;
  const std::string name = FirstSymbolName(record->record);
  environment.Trace("MT4 symbol...");
  environment.Trace(name);
  const std::optional<std::string> suffix = SymbolSuffix(name);
  if (!suffix) return kWatchInconclusive;

  if (SameIgnoringCase(*suffix, params.suffix)) {
    environment.Trace("MT4 symbol match against pre-installation");
    return kWatchSuffixMatches;
  }
  environment.Trace("MT4 symbol mismatch against pre-installation");
  HandleChange(params, *suffix, flags, environment);
  return kWatchChangeHandled;
}

void RunWatch(const WatchParams& params, WatchFlags& flags, WatchEnvironment& environment) {
  for (int result = kWatchInconclusive;
       result == kWatchInconclusive || result == kWatchSuffixMatches;) {
    environment.Sleep(kStepIntervalMs);
    result = WatchStep(params, flags, environment);
  }
}

std::string UpdaterParameters(const std::string& folder, const std::string& newSuffix,
                              unsigned long processId) {
  std::string unescaped = folder;
  while (unescaped.ends_with('\\')) unescaped.pop_back();
  return "\"" + unescaped + "\" \"" + newSuffix + "\" " + std::to_string(processId);
}

std::string InTerminalFolder(const std::string& folder, const std::string& name) {
  return folder.ends_with('\\') ? folder + name : folder + "\\" + name;
}
