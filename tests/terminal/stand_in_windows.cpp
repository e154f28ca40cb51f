#include "tests/terminal/stand_in_windows.h"

#include <stdexcept>
#include <string>

namespace {

constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT_PTR kExitAfterTimer = 2;
constexpr int kChartWidth = 300;
constexpr int kChartHeight = 200;

std::string Decimal(HWND window) {
  return std::to_string(reinterpret_cast<std::uintptr_t>(window));
}

}  // namespace

StandInWindows::StandInWindows(const StandInOptions& options, EventLog& log)
    : FOptions(options),
      FLog(log),
      FTickMessage(RegisterWindowMessageA("MetaTrader4_Internal_Message")),
      FMainClass("MetaQuotes::MetaTrader::4.00", MainProcedure),
      FChartClass("TerminalStandInChart", ChartProcedure) {
  FMain.reset(CreateWindowExA(0, FMainClass.Name(), "Terminal stand-in",
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                              kChartWidth * 2, kChartHeight * 2, nullptr, nullptr,
                              GetModuleHandleA(nullptr), this));
  if (!FMain) throw std::runtime_error("cannot create the main window");
  for (int index = 0; index < options.charts; ++index) FCharts.push_back(CreateChild(index));
  SetTimer(FMain.get(), kExitAfterTimer, options.exitAfterMs, nullptr);
  FLog.Write("main " + Decimal(FMain.get()));
  for (std::size_t index = 0; index < FCharts.size(); ++index) {
    FLog.Write("chart " + std::to_string(index) + " " + Decimal(FCharts[index]));
  }
}

int StandInWindows::RunUntilEnd() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

HWND StandInWindows::CreateChild(int index) {
  // Tiled two a row; the child id is the chart's index.
  HWND chart = CreateWindowExA(
      0, FChartClass.Name(), ("Chart " + std::to_string(index)).c_str(),
      WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_CLIPSIBLINGS, (index % 2) * kChartWidth,
      (index / 2) * kChartHeight, kChartWidth, kChartHeight, FMain.get(),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(index)), GetModuleHandleA(nullptr), this);
  if (chart == nullptr) throw std::runtime_error("cannot create chart " + std::to_string(index));
  return chart;
}

StandInWindows* StandInWindows::Of(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<StandInWindows*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  return reinterpret_cast<StandInWindows*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK StandInWindows::MainProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  StandInWindows* self = Of(window, message, lParam);
  if (self != nullptr && message == WM_CLOSE) {
    self->OnClose();
    return 0;
  }
  if (self != nullptr && message == kDestroyMainMessage) {
    self->OnDestroyMain();
    return 0;
  }
  if (self != nullptr && message == WM_TIMER) {
    self->OnTimer(wParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK StandInWindows::ChartProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  StandInWindows* self = Of(window, message, lParam);
  if (self != nullptr && message == self->FTickMessage && message != 0) {
    self->FLog.Write("tick " + std::to_string(GetDlgCtrlID(window)) + " " + std::to_string(wParam) +
                     " " + std::to_string(lParam));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void StandInWindows::OnClose() {
  const std::string event = "close " + std::to_string(++FCloses);
  if (FOptions.refuseClose) {
    FLog.Write(event + " refused");
  } else if (FEnding) {
    FLog.Write(event + " pending");
  } else if (FOptions.closeDelayMs > 0) {
    FLog.Write(event + " delayed");
    FEnding = true;
    SetTimer(FMain.get(), kCloseTimer, FOptions.closeDelayMs, nullptr);
  } else {
    FLog.Write(event + " ending");
    End(kExitClosed);
  }
}

void StandInWindows::OnTimer(WPARAM timer) {
  KillTimer(FMain.get(), timer);
  if (timer == kCloseTimer) {
    End(kExitClosed);
  } else if (timer == kExitAfterTimer) {
    FLog.Write("exit-after " + std::to_string(FOptions.exitAfterMs));
    End(kExitAfterLimit);
  }
}

void StandInWindows::OnDestroyMain() {
  FLog.Write("main destroyed");
  FCharts.clear();
  FMain.reset();
}

void StandInWindows::End(int exitCode) {
  FEnding = true;
  PostQuitMessage(exitCode);
}
