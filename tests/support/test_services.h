#pragma once
// TestServices: where the local test services (tests/services/services.py) listen. Tests that
// use it are registered with ov_add_service_test, whose ctest fixture starts the services and
// names their state file in the environment variable OV_TEST_SERVICES.

#include <string>
#include <string_view>

class TestServices {
 public:
  // Reads the state file on first use; throws std::runtime_error when it cannot.
  static const TestServices& Get();

  // "http://HOST:PORT" + path, on the HTTP test server.
  std::string HttpUrl(std::string_view path, std::string_view host = "127.0.0.1") const;
  // "https://HOST:PORT" + path, on the HTTPS test server (self-signed for localhost, 127.0.0.1).
  std::string HttpsUrl(std::string_view path, std::string_view host = "localhost") const;

  std::string ProxyHost() const { return "127.0.0.1"; }
  int ProxyPort() const { return FProxyPort; }
  // The proxy that wants basic authentication with ProxyUser and ProxyPassword.
  int AuthProxyPort() const { return FAuthProxyPort; }
  const std::string& ProxyUser() const { return FProxyUser; }
  const std::string& ProxyPassword() const { return FProxyPassword; }

 private:
  TestServices() = default;
  static TestServices Load();

  int FHttpPort = 0;
  int FHttpsPort = 0;
  int FProxyPort = 0;
  int FAuthProxyPort = 0;
  std::string FProxyUser;
  std::string FProxyPassword;
};
