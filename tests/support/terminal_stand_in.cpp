#include "tests/support/terminal_stand_in.h"

#include <fstream>
#include <stdexcept>
#include <thread>

#include "tests/support/command_line.h"

namespace {

constexpr std::chrono::milliseconds kPollInterval{20};
constexpr DWORD kTerminateWait = 5000;

std::filesystem::path WriteScript(std::string_view script) {
  char folder[MAX_PATH + 1];
  char path[MAX_PATH + 1];
  if (GetTempPathA(sizeof(folder), folder) == 0 || GetTempFileNameA(folder, "tsi", 0, path) == 0) {
    throw std::runtime_error("cannot make a temporary file for the stand-in's script");
  }
  std::ofstream(path, std::ios::binary) << script;
  return path;
}

std::filesystem::path LogPathOf(const std::filesystem::path& folder,
                                const std::vector<std::string>& arguments) {
  for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
    if (arguments[i] == "--log") return folder / arguments[i + 1];
  }
  return folder / "terminal.log";
}

std::string ClassName(HWND window) {
  char name[100] = "";
  GetClassNameA(window, name, 99);  // the count the add-ons read with
  return name;
}

struct MainWindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK CheckForMainWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<MainWindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || ClassName(window).find("MetaQuotes") == std::string::npos) {
    return TRUE;
  }
  search->found = window;
  return FALSE;  // the first one
}

}  // namespace

TerminalStandIn::TerminalStandIn(const std::filesystem::path& folder,
                                 const std::vector<std::string>& arguments, std::string_view script)
    : FLogPath(LogPathOf(folder, arguments)) {
  std::error_code missing;  // no log yet: it starts at 0
  const std::uintmax_t size = std::filesystem::file_size(FLogPath, missing);
  FLogStart = missing ? 0 : size;
  const std::filesystem::path program = folder / "terminal.exe";
  std::wstring commandLine = QuotedArgument(program.wstring());
  for (const std::string& argument : arguments) {
    commandLine += L" " + QuotedArgument(std::wstring(argument.begin(), argument.end()));
  }
  if (!script.empty()) {
    FScriptPath = WriteScript(script);
    commandLine += L" --script " + QuotedArgument(FScriptPath.wstring());
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process)) {
    throw std::runtime_error("cannot start terminal.exe, error " + std::to_string(GetLastError()));
  }
  CloseHandle(process.hThread);
  FProcess = UniqueHandle(process.hProcess);
  FProcessId = process.dwProcessId;
}

TerminalStandIn::~TerminalStandIn() {
  if (!HasEnded()) {
    TerminateProcess(FProcess.Get(), 1);
    WaitForSingleObject(FProcess.Get(), kTerminateWait);
  }
  if (!FScriptPath.empty()) DeleteFileA(FScriptPath.string().c_str());
}

bool TerminalStandIn::WaitForExit(std::chrono::milliseconds limit) const {
  return WaitForSingleObject(FProcess.Get(), static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
}

std::optional<unsigned long> TerminalStandIn::ExitCode() const {
  DWORD code = 0;
  if (!HasEnded() || !GetExitCodeProcess(FProcess.Get(), &code)) return std::nullopt;
  return code;
}

TerminalRun TerminalStandIn::Run() const {
  const TerminalLog log = TerminalLog::Read(FLogPath, FLogStart);
  const TerminalRun* run = log.RunOf(FProcessId);
  return run != nullptr ? *run : TerminalRun{};
}

std::string TerminalStandIn::LogText() const { return TerminalLog::Text(FLogPath, FLogStart); }

TerminalRun TerminalStandIn::WaitForRun(const std::function<bool(const TerminalRun&)>& done,
                                        std::chrono::milliseconds limit) const {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  TerminalRun run = Run();
  while (!done(run) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(kPollInterval);
    run = Run();
  }
  return run;
}

TerminalRun TerminalStandIn::WaitUntilReady(std::chrono::milliseconds limit) const {
  return WaitForRun([](const TerminalRun& run) { return run.ready; }, limit);
}

HWND TerminalStandIn::FindMainWindow(unsigned long processId) {
  MainWindowSearch search{processId, nullptr};
  EnumWindows(CheckForMainWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool TerminalStandIn::EndProcess(unsigned long processId, std::chrono::milliseconds limit) {
  UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId));
  if (!process) return false;
  if (HWND main = FindMainWindow(processId)) PostMessageA(main, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.Get(), static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0) {
    return true;
  }
  TerminateProcess(process.Get(), 1);
  WaitForSingleObject(process.Get(), kTerminateWait);
  return false;
}
