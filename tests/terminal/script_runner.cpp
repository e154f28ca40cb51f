#include "tests/terminal/script_runner.h"

#include <chrono>
#include <cstdint>

#include "tests/terminal/script_libraries.h"
#include "tests/terminal/script_threads.h"
#include "tests/terminal/stand_in_windows.h"

namespace {

std::string Failed(DWORD error) { return "failed:" + std::to_string(error); }

// Calls a stdcall export with exactly as many arguments as the script gives: a 32-bit stdcall
// callee pops its own arguments, so the count must match.
int Invoke(FARPROC function, const std::vector<std::intptr_t>& a) {
  void* f = reinterpret_cast<void*>(function);
  using I = std::intptr_t;
  switch (a.size()) {
    case 0:
      return reinterpret_cast<int(__stdcall*)()>(f)();
    case 1:
      return reinterpret_cast<int(__stdcall*)(I)>(f)(a[0]);
    case 2:
      return reinterpret_cast<int(__stdcall*)(I, I)>(f)(a[0], a[1]);
    case 3:
      return reinterpret_cast<int(__stdcall*)(I, I, I)>(f)(a[0], a[1], a[2]);
    case 4:
      return reinterpret_cast<int(__stdcall*)(I, I, I, I)>(f)(a[0], a[1], a[2], a[3]);
    default:
      return reinterpret_cast<int(__stdcall*)(I, I, I, I, I)>(f)(a[0], a[1], a[2], a[3], a[4]);
  }
}

// A window handle as a script holds it: a 32-bit int.
std::intptr_t AsScriptInt(HWND window) {
  return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(window));
}

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

void DispatchPending() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace

ScriptRunner::ScriptRunner(int number, std::vector<ScriptStep> steps, const ScriptContext& context,
                           EventLog& log, ScriptThreads& threads, HANDLE stop)
    : FNumber(number),
      FSteps(std::move(steps)),
      FContext(context),
      FLog(log),
      FThreads(threads),
      FStop(stop) {}

void ScriptRunner::Run() {
  const std::string name = "script " + std::to_string(FNumber);
  FLog.Write(name + " begin");
  bool stopped = false;
  {
    ScriptLibraries libraries(FContext.folder);
    for (const ScriptStep& step : FSteps) {
      DispatchPending();
      if (Stopping() || !RunStep(step, libraries)) {
        stopped = true;
        break;
      }
    }
    DispatchPending();
  }
  // Logged once the libraries are freed, as when the terminal ends a script.
  FLog.Write(name + (stopped ? " stopped" : " end"));
}

bool ScriptRunner::RunStep(const ScriptStep& step, ScriptLibraries& libraries) {
  using Command = ScriptStep::Command;
  switch (step.command) {
    case Command::kLoad: {
      const DWORD error = libraries.Load(step.library);
      LogStep(step, error == 0 ? "ok" : Failed(error));
      return true;
    }
    case Command::kUnload: {
      const DWORD error = libraries.Unload(step.library);
      LogStep(step, error == 0 ? "ok" : Failed(error));
      return true;
    }
    case Command::kCall:
      Call(step, libraries);
      return true;
    case Command::kSleep: {
      const bool slept = SleepDispatching(step.milliseconds);
      LogStep(step, slept ? "ok" : "stopped");
      return slept;
    }
    case Command::kThread: {
      const int number = FThreads.Start(step.block);
      LogStep(step, number >= 0 ? std::to_string(number) : "failed");
      return true;
    }
    case Command::kClose:
      LogStep(step, PostMessageA(FContext.main, WM_CLOSE, 0, 0) ? "ok" : Failed(GetLastError()));
      return true;
    case Command::kDestroyMain:
      LogStep(step, PostMessageA(FContext.main, StandInWindows::kDestroyMainMessage, 0, 0)
                        ? "ok"
                        : Failed(GetLastError()));
      return true;
  }
  return true;
}

void ScriptRunner::Call(const ScriptStep& step, ScriptLibraries& libraries) {
  HMODULE library = libraries.Use(step.library);
  FARPROC function = library ? GetProcAddress(library, step.function.c_str()) : nullptr;
  if (function == nullptr) {
    LogStep(step, Failed(GetLastError()));
    return;
  }
  // Each call gets its own writable copies of its strings and buffers, as a script's strings are.
  std::vector<std::string> storage(step.arguments.size());
  std::vector<std::intptr_t> values;
  for (std::size_t i = 0; i < step.arguments.size(); ++i) {
    values.push_back(Value(step.arguments[i], storage[i]));
  }
  LogStep(step, std::to_string(Invoke(function, values)));
  for (std::size_t i = 0; i < step.arguments.size(); ++i) {
    if (step.arguments[i].kind != ScriptArgument::Kind::kBuffer) continue;
    const std::string contents = storage[i].substr(0, storage[i].find('\0'));
    FLog.Write("buffer " + std::to_string(step.line) + " " + std::to_string(i) + " " +
               Hex(contents));
  }
}

std::intptr_t ScriptRunner::Value(const ScriptArgument& argument, std::string& storage) const {
  using Kind = ScriptArgument::Kind;
  switch (argument.kind) {
    case Kind::kInt:
      return static_cast<std::intptr_t>(argument.number);
    case Kind::kChart:
      return AsScriptInt(FContext.charts.at(argument.number));
    case Kind::kMain:
      return AsScriptInt(FContext.main);
    case Kind::kString:
      storage = argument.text;
      break;
    case Kind::kBuffer:
      storage.assign(argument.number, '\0');
      break;
  }
  return reinterpret_cast<std::intptr_t>(storage.data());
}

void ScriptRunner::LogStep(const ScriptStep& step, const std::string& outcome) {
  FLog.Write("step " + std::to_string(step.line) + " " + outcome + " " + step.text);
}

bool ScriptRunner::Stopping() const { return WaitForSingleObject(FStop, 0) == WAIT_OBJECT_0; }

bool ScriptRunner::SleepDispatching(int milliseconds) const {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (true) {
    DispatchPending();
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return true;
    if (MsgWaitForMultipleObjectsEx(1, &FStop, static_cast<DWORD>(left), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0) {
      return false;
    }
  }
}
