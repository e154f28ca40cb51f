#include "platform/thread.h"

void TThread::Run(TThread* thread) noexcept {
  std::unique_ptr<TThread> owned(thread);
  try {
    owned->Execute();
  } catch (...) {
    // Nothing above the thread could take it.
  }
}
