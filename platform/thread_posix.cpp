#include <dlfcn.h>
#include <pthread.h>

#include <cerrno>
#include <system_error>
#include <thread>

#include "platform/thread.h"

struct ThreadStarter {
  static void* Entry(void* thread) {
    TThread::Run(static_cast<TThread*>(thread));
    return nullptr;
  }
};

namespace {

class ThreadAttributes {
 public:
  ThreadAttributes() {
    Check(pthread_attr_init(&FAttributes));
    if (int error = pthread_attr_setstacksize(&FAttributes, TThread::kStackSize)) {
      pthread_attr_destroy(&FAttributes);
      Check(error);
    }
    pthread_attr_setdetachstate(&FAttributes, PTHREAD_CREATE_DETACHED);
  }
  ~ThreadAttributes() { pthread_attr_destroy(&FAttributes); }
  ThreadAttributes(const ThreadAttributes&) = delete;
  ThreadAttributes& operator=(const ThreadAttributes&) = delete;

  const pthread_attr_t* Get() const { return &FAttributes; }

  static void Check(int error) {
    if (error) throw std::system_error(error, std::generic_category(), "cannot start a thread");
  }

 private:
  pthread_attr_t FAttributes;
};

// There is no FreeLibraryAndExitThread here: a thread cannot drop the last reference to the
// library that holds its own code. Instead, once the library has started a thread, it stays
// mapped until the process ends, so dlclose never pulls code from under a running thread.
// Code linked into the program itself has nothing to pin: dlopen does not know it by its path.
void KeepOwnLibraryMapped() {
  static const bool kept = [] {
    Dl_info info;
    if (!dladdr(reinterpret_cast<void*>(&KeepOwnLibraryMapped), &info)) return false;
    if (void* self = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) {
      dlclose(self);  // the mark stays; the extra reference goes
    }
    return true;
  }();
  if (!kept) throw std::system_error(ENOENT, std::generic_category(), "cannot pin the library");
}

}  // namespace

void TThread::Start(std::unique_ptr<TThread> thread) {
  KeepOwnLibraryMapped();
  ThreadAttributes attributes;
  pthread_t id;
  ThreadAttributes::Check(
      pthread_create(&id, attributes.Get(), &ThreadStarter::Entry, thread.get()));
  thread.release();  // the new thread owns it now
}

void TThread::Sleep(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }
