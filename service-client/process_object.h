#pragma once
// ProcessObject<T>: one of the library's process-wide objects.
//
// It is created when the library is attached to the process, destroyed when it is detached, and
// used by the exports in between. Create and Destroy run only in the entry function (under the
// loader lock, never while an export runs); Get may be called from any thread in between.
//
// Attach and detach own the object, not the static that holds it: ProcessObject has no
// destructor, so static destruction at unload can neither run before the unload hook nor
// destroy the object a second time.

#include <memory>
#include <stdexcept>
#include <utility>

template <typename T>
class ProcessObject {
 public:
  // Creates the object unless it exists: a repeated attach keeps the first instance.
  template <typename... Args>
  void Create(Args&&... args) {
    if (!FObject) FObject = std::make_unique<T>(std::forward<Args>(args)...).release();
  }

  // Destroys the object if it exists; a repeated detach does nothing.
  void Destroy() noexcept { std::unique_ptr<T>(std::exchange(FObject, nullptr)); }

  // The live object. Outside attach..detach (or when its creation failed) it throws
  // std::logic_error, which the export frame turns into the export's failure value.
  T& Get() const {
    if (!FObject) throw std::logic_error("the library's process-wide object does not exist");
    return *FObject;
  }

  bool Exists() const noexcept { return FObject != nullptr; }

 private:
  T* FObject = nullptr;
};
