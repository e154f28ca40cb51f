#pragma once
// TThread: a thread that runs one object's Execute once and then deletes that object
// (free-on-terminate). Nobody joins it and nobody else holds a pointer to it.
//
// On Windows the thread also keeps the module that holds its code loaded until Execute has
// returned and the object is gone: a script that unloads the library while threads still run
// cannot make them run code from an unmapped image. The last thread out unloads the module.
// Elsewhere a library that has started a thread stays mapped until the process ends.

#include <chrono>
#include <cstddef>
#include <memory>

class TThread {
 public:
  // Small: hundreds of threads must fit into a 32-bit process.
  static constexpr std::size_t kStackSize = 256 * 1024;

  virtual ~TThread() = default;

  // Starts a thread that runs thread->Execute() and then deletes it. Throws std::system_error
  // when no thread can be started; the object is then deleted at once.
  static void Start(std::unique_ptr<TThread> thread);

  // Blocks the calling thread for `duration`. Library code sleeps through this, never through
  // std::this_thread: on Windows the runtime's sleep takes a thread-local-storage slot in every
  // load of the library and never gives it back.
  static void Sleep(std::chrono::milliseconds duration);

 protected:
  TThread() = default;

  // The thread body. An exception that leaves it is swallowed.
  virtual void Execute() = 0;

 private:
  // Entry of the new thread: runs and deletes `thread`.
  static void Run(TThread* thread) noexcept;
  friend struct ThreadStarter;
};
