#include "profile-updater/windows/profile_updater.h"

#include <shellapi.h>

#include <memory>
#include <optional>

#include "platform/unique_handle_windows.h"
#include "profile-updater/process_id.h"
#include "profile-updater/profile_rewrite.h"
#include "platform/terminal_window_windows.h"
#include "profile-updater/windows/windows_chart_files.h"

namespace {

constexpr int kExitCode = 0;

void ShowFailure(const char* text, const char* caption) {
  MessageBoxA(/*hWnd=*/nullptr, text, caption, MB_OK | MB_ICONWARNING);
}

struct LocalFreer {
  void operator()(LPWSTR* memory) const { LocalFree(memory); }
};

// `text` in the ANSI code page; nullopt when a character has no exact counterpart there. A
// suffix written as "?" or as a look-alike would name a symbol that does not exist.
std::optional<std::string> ToAnsiExactly(const wchar_t* text) {
  const int units = lstrlenW(text);
  if (units == 0) return std::string();
  BOOL usedDefault = FALSE;
  const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, units, nullptr, 0,
                                        nullptr, &usedDefault);
  if (bytes <= 0 || usedDefault) return std::nullopt;
  std::string ansi(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, units, ansi.data(), bytes, nullptr,
                      nullptr);
  return ansi;
}

}  // namespace

TProfileUpdater::TProfileUpdater() : TProfileUpdater(Options{}) {}

TProfileUpdater::TProfileUpdater(Options options) : FOptions(options) {}

int TProfileUpdater::Run(const wchar_t* commandLine) const {
  Arguments arguments;
  if (!ReadArguments(commandLine, arguments) || !CloseTerminal(arguments.processId)) {
    return kExitCode;
  }
  WindowsChartFiles files;
  RewriteDefaultProfile(arguments.folder, arguments.suffix, files);
  if (!RestartTerminal(arguments.folder)) ShowFailure(kCannotRestart, kRestartCaption);
  return kExitCode;
}

bool TProfileUpdater::ReadArguments(const wchar_t* commandLine, Arguments& arguments) const {
  int count = 0;
  const std::unique_ptr<LPWSTR, LocalFreer> argv(CommandLineToArgvW(commandLine, &count));
  std::optional<std::string> suffix;
  if (argv && count == 4) suffix = ToAnsiExactly(argv.get()[2]);
  if (!suffix) {
    ShowFailure(kIncorrectParameters, kUpdateCaption);
    return false;
  }
  const auto* folder = reinterpret_cast<const char16_t*>(argv.get()[1]);
  const auto* processId = reinterpret_cast<const char16_t*>(argv.get()[3]);
  arguments = {folder, std::move(*suffix), ParseProcessId(processId)};
  if (arguments.processId == 0) {
    ShowFailure(kCannotIdentify, kUpdateCaption);
    return false;
  }
  return true;
}

bool TProfileUpdater::CloseTerminal(DWORD processId) const {
  HWND window = FindTerminalWindow(processId);
  if (!window) {
    ShowFailure(kCannotFind, kUpdateCaption);
    return false;
  }
  const UniqueHandle process(OpenProcess(SYNCHRONIZE, /*bInheritHandle=*/FALSE, processId));
  if (!process) {
    ShowFailure(kCannotControl, kUpdateCaption);
    return false;
  }
  for (int i = 0; i < 3; ++i) PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.Get(), FOptions.closeWaitMs) != WAIT_OBJECT_0) {
    ShowFailure(kCannotShutDown, kRestartCaption);
    return false;
  }
  return true;
}

bool TProfileUpdater::RestartTerminal(const std::u16string& folder) {
  const std::u16string program = InFolder(folder, u"terminal.exe");
  const HINSTANCE result =
      ShellExecuteW(/*hwnd=*/nullptr, L"open", reinterpret_cast<const wchar_t*>(program.c_str()),
                    /*lpParameters=*/L"", /*lpDirectory=*/L"", SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) >= 32;
}
