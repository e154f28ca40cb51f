#include <pthread.h>

#include <cerrno>
#include <system_error>

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

}  // namespace

void TThread::Start(std::unique_ptr<TThread> thread) {
  ThreadAttributes attributes;
  pthread_t id;
  ThreadAttributes::Check(
      pthread_create(&id, attributes.Get(), &ThreadStarter::Entry, thread.get()));
  thread.release();  // the new thread owns it now
}
