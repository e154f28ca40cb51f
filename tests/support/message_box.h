#pragma once
// Answering a program's message box from a test, as a user would: find the dialog by its
// caption, read its text and press one of its buttons. Windows only.

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

struct SeenMessageBox {
  std::string text;
  std::vector<int> buttons;  // ids of the visible buttons, such as IDOK, IDCANCEL
  HWND owner = nullptr;
};

// Waits up to `limit` for a message box with caption `caption`, of process `processId` (0: of
// any process), reads it, presses `button` and waits for the dialog to go. nullopt when none
// appeared in time.
std::optional<SeenMessageBox> AnswerMessageBox(const std::string& caption, int button,
                                               std::chrono::milliseconds limit,
                                               DWORD processId = 0);
