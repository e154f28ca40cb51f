#pragma once
// FakeNetwork: transports that answer every GET with one scripted reply, record what they were
// asked, and can hold their answers until the test lets them go. For tests of the worker and
// the registry that must control when an exchange ends.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "service-client/requests/http_transport.h"

class FakeNetwork {
 public:
  FakeNetwork() : FState(std::make_shared<State>()) {}

  // A reply with a status line and a body.
  static HttpReply Replied(int status, std::string statusLine, std::string body) {
    HttpReply reply;
    reply.status = status;
    reply.statusLine = std::move(statusLine);
    reply.body = std::move(body);
    return reply;
  }

  // The reply that every later exchange ends with.
  void SetReply(HttpReply reply) {
    std::lock_guard<std::mutex> lock(FState->lock);
    FState->reply = std::move(reply);
  }

  // While held, exchanges wait before they answer.
  void Hold() {
    std::lock_guard<std::mutex> lock(FState->lock);
    FState->held = true;
  }
  void Release() {
    {
      std::lock_guard<std::mutex> lock(FState->lock);
      FState->held = false;
    }
    FState->changed.notify_all();
  }

  // Waits until `count` exchanges have started.
  void WaitForRequests(std::size_t count) const {
    std::unique_lock<std::mutex> lock(FState->lock);
    FState->changed.wait(lock, [&] { return FState->requests.size() >= count; });
  }

  std::vector<HttpGet> Requests() const {
    std::lock_guard<std::mutex> lock(FState->lock);
    return FState->requests;
  }

  // A factory of transports that answer from this network; they outlive it safely.
  std::function<std::unique_ptr<HttpTransport>()> Factory() const {
    return [state = FState] { return std::make_unique<Transport>(state); };
  }

 private:
  struct State {
    std::mutex lock;
    std::condition_variable changed;
    HttpReply reply;
    bool held = false;
    std::vector<HttpGet> requests;
  };

  class Transport : public HttpTransport {
   public:
    explicit Transport(std::shared_ptr<State> state) : FState(std::move(state)) {}
    HttpReply Get(const HttpGet& request) override {
      std::unique_lock<std::mutex> lock(FState->lock);
      FState->requests.push_back(request);
      FState->changed.notify_all();
      FState->changed.wait(lock, [&] { return !FState->held; });
      return FState->reply;
    }

   private:
    std::shared_ptr<State> FState;
  };

  std::shared_ptr<State> FState;
};
