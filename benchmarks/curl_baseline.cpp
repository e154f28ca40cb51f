#include "curl_baseline.h"

#include <curl/curl.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

size_t AppendBody(char* data, size_t size, size_t count, void* body) {
  static_cast<std::string*>(body)->append(data, size * count);
  return size * count;
}

// One GET on its own handle, as the library does it: true when it brought 200 and the body.
bool GetOnce(const std::string& url, const std::string& expectedBody) {
  CurlHandle handle(curl_easy_init());
  if (!handle) return false;
  std::string body;
  CURL* curl = handle.get();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  long status = 0;
  if (curl_easy_perform(curl) != CURLE_OK) return false;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  return status == 200 && body == expectedBody;
}

}  // namespace

void PlainCurlGets(const std::string& url, const std::string& expectedBody, int total,
                   int threads) {
  static const CURLcode initialized = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialized != CURLE_OK) throw std::runtime_error(curl_easy_strerror(initialized));
  std::atomic<int> next{0};
  std::atomic<int> failed{0};
  {
    std::vector<std::jthread> workers;
    for (int i = 0; i < threads; ++i) {
      workers.emplace_back([&] {
        while (next.fetch_add(1) < total) {
          if (!GetOnce(url, expectedBody)) ++failed;
        }
      });
    }
  }  // joined here
  if (failed) throw std::runtime_error(std::to_string(failed) + " plain libcurl GETs failed");
}
