#include "tests/support/test_services.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>

namespace {

std::string Url(std::string_view scheme, std::string_view host, int port, std::string_view path) {
  std::string url(scheme);
  url.append("://").append(host).append(":").append(std::to_string(port)).append(path);
  return url;
}

}  // namespace

const TestServices& TestServices::Get() {
  // A failed load throws out of the initialisation, so the next call tries again.
  static const TestServices services = Load();
  return services;
}

TestServices TestServices::Load() {
  const char* variable = std::getenv("OV_TEST_SERVICES");
  if (variable == nullptr || *variable == '\0') {
    throw std::runtime_error(
        "OV_TEST_SERVICES is not set: run this test through ctest, whose test_services fixture "
        "starts the local test services (tests/services/services.py)");
  }
  std::string path = variable;
#ifdef _WIN32
  // Under Wine the state file has a Linux path; drive Z: maps the Linux root.
  if (path.starts_with('/')) path = "Z:" + path;
#endif
  std::ifstream file(path);
  if (!file) {
    throw std::runtime_error("cannot read the test services' state file " + path +
                             " (OV_TEST_SERVICES); are the services running?");
  }
  std::map<std::string, std::string, std::less<>> values;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (auto equals = line.find('='); equals != std::string::npos) {
      values[line.substr(0, equals)] = line.substr(equals + 1);
    }
  }
  auto value = [&](std::string_view key) -> const std::string& {
    auto found = values.find(key);
    if (found == values.end()) {
      throw std::runtime_error("the test services' state file " + path + " lacks " +
                               std::string(key));
    }
    return found->second;
  };
  auto port = [&](std::string_view key) {
    const std::string& text = value(key);
    int number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number <= 0) {
      throw std::runtime_error("the test services' state file " + path + " has a bad " +
                               std::string(key) + ": " + text);
    }
    return number;
  };
  TestServices services;
  services.FHttpPort = port("http_port");
  services.FHttpsPort = port("https_port");
  services.FProxyPort = port("proxy_port");
  services.FAuthProxyPort = port("auth_proxy_port");
  services.FProxyUser = value("proxy_user");
  services.FProxyPassword = value("proxy_password");
  return services;
}

std::string TestServices::HttpUrl(std::string_view path, std::string_view host) const {
  return Url("http", host, FHttpPort, path);
}

std::string TestServices::HttpsUrl(std::string_view path, std::string_view host) const {
  return Url("https", host, FHttpsPort, path);
}
