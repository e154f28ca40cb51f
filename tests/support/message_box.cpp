#include "tests/support/message_box.h"

namespace {

constexpr int kTextId = 0xFFFF;  // the message box's static text control

HWND FindMessageBox(const std::string& caption, DWORD processId) {
  for (HWND dialog = nullptr;;) {
    dialog = FindWindowExA(nullptr, dialog, "#32770", caption.c_str());
    if (!dialog) return nullptr;
    DWORD owner = 0;
    GetWindowThreadProcessId(dialog, &owner);
    if (processId == 0 || owner == processId) return dialog;
  }
}

HWND WaitForMessageBox(const std::string& caption, DWORD processId,
                       std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (HWND dialog = FindMessageBox(caption, processId)) return dialog;
    if (std::chrono::steady_clock::now() >= deadline) return nullptr;
    Sleep(20);
  }
}

}  // namespace

std::optional<SeenMessageBox> AnswerMessageBox(const std::string& caption, int button,
                                               std::chrono::milliseconds limit, DWORD processId) {
  HWND dialog = WaitForMessageBox(caption, processId, limit);
  if (!dialog) return std::nullopt;
  SeenMessageBox seen;
  char text[2048] = {};
  GetDlgItemTextA(dialog, kTextId, text, sizeof text);
  seen.text = text;
  seen.owner = GetWindow(dialog, GW_OWNER);
  for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
    HWND control = GetDlgItem(dialog, id);
    if (control && IsWindowVisible(control)) seen.buttons.push_back(id);
  }
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
  // Gone before the next look for a message box, which would otherwise find this one again.
  for (int waited = 0; IsWindow(dialog) && waited < 10000; waited += 20) Sleep(20);
  return seen;
}
