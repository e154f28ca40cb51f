#pragma once
// The yardstick for the library's request throughput: plain libcurl doing the same work.

#include <string>

// `total` GETs of `url` on `threads` threads, each GET on a fresh easy handle (no connection
// reuse) with its body read into memory. Throws std::runtime_error when a GET fails or its body
// differs from `expectedBody`.
void PlainCurlGets(const std::string& url, const std::string& expectedBody, int total, int threads);
