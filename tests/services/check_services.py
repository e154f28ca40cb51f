#!/usr/bin/env python3
"""Self-check of the local test services: check_services.py STATEFILE (as services.py wrote it)."""
import base64
import http.client
import socket
import ssl
import sys
import time
import unittest
import urllib.parse
import urllib.request

STATE = {}
UNVERIFIED = ssl._create_unverified_context()  # the certificate is a throw-away self-signed one


def port(name):
    return int(STATE[name])


class Endpoints:
    """The endpoint checks, run once over HTTP and once over HTTPS."""

    scheme = ""

    def connect(self, timeout=30):
        if self.scheme == "http":
            return http.client.HTTPConnection("127.0.0.1", port("http_port"), timeout=timeout)
        return http.client.HTTPSConnection("localhost", port("https_port"), timeout=timeout,
                                           context=UNVERIFIED)

    def get(self, path, headers={}):
        connection = self.connect()
        connection.request("GET", path, headers=headers)
        response = connection.getresponse()
        body = response.read()
        connection.close()
        return response, body

    def raw(self, request):
        """Sends request bytes as they are; returns every byte received until the server closes."""
        sock = socket.create_connection(("127.0.0.1", port(self.scheme + "_port")), timeout=30)
        if self.scheme == "https":
            sock = UNVERIFIED.wrap_socket(sock, server_hostname="localhost")
        with sock:
            sock.sendall(request)
            received = b""
            while chunk := sock.recv(65536):
                received += chunk
            return received

    def url(self, path):
        host = "127.0.0.1" if self.scheme == "http" else "localhost"
        return f"{self.scheme}://{host}:{port(self.scheme + '_port')}{path}"

    def follow(self, path):
        """GET with urllib, which follows redirects and keeps cookies; no proxies from the env."""
        opener = urllib.request.build_opener(urllib.request.ProxyHandler({}),
                                             urllib.request.HTTPSHandler(context=UNVERIFIED),
                                             urllib.request.HTTPCookieProcessor())
        with opener.open(self.url(path), timeout=30) as response:
            return response.status, response.read()

    def test_hello(self):
        response, body = self.get("/hello")
        self.assertEqual((response.status, response.version, body), (200, 11, b"Hello, world"))
        self.assertEqual(response.getheader("Content-Type"), "text/plain")
        self.assertEqual(response.getheader("Content-Length"), "12")

    def test_status_line_and_body(self):
        for code, reason in [(201, "Created"), (404, "Not Found"), (418, "I'm a Teapot"),
                             (500, "Internal Server Error"), (599, "Custom")]:
            with self.subTest(code=code):
                received = self.raw(f"GET /status/{code} HTTP/1.1\r\nHost: x\r\n"
                                    "Connection: close\r\n\r\n".encode())
                self.assertTrue(received.startswith(f"HTTP/1.1 {code} {reason}\r\n".encode()))
                self.assertTrue(received.endswith(f"\r\n\r\nstatus {code}".encode()))

    def test_login(self):
        demo = "?request=authenticate&username=trader&password=opensesame&serverencrypt=1"
        _, body = self.get("/login" + demo)
        self.assertRegex(body, rb"<sessionid>4711</sessionid><encryptedtoken>[A-Za-z0-9+/=]{32}<")
        _, body = self.get("/login" + demo.replace("opensesame", "wrong"))
        self.assertIn(b"<sessionid>0</sessionid><errormessage>Wrong user name", body)
        self.assertEqual(self.get("/login/reply/3c613e")[1], b"<a>")
        self.assertEqual(self.get("/login/echo?x=a+b&c")[1],
                         b"<sessionid>1</sessionid><encryptedtoken>x=a+b&c</encryptedtoken>")

    def test_redirect(self):
        for target in ["/hello", "../x?y=1", "http://example.invalid/elsewhere"]:
            response, _ = self.get("/redirect?to=" + urllib.parse.quote(target, safe=""))
            self.assertEqual((response.status, response.getheader("Location")), (302, target))
        self.assertEqual(self.follow("/redirect?to=/hello"), (200, b"Hello, world"))

    def test_redirect_chain_and_loop(self):
        response, _ = self.get("/redirect-chain/3")
        self.assertEqual((response.status, response.getheader("Location")),
                         (302, "/redirect-chain/2"))
        self.assertEqual(self.follow("/redirect-chain/3"), (200, b"end of chain"))
        response, _ = self.get("/redirect-loop")
        self.assertEqual((response.status, response.getheader("Location")), (302, "/redirect-loop"))

    def test_cookies(self):
        response, _ = self.get("/cookie/set")
        self.assertEqual(response.status, 302)
        self.assertEqual(response.getheader("Location"), "/cookie/check")
        self.assertEqual(response.getheader("Set-Cookie"), "session=abc123; Path=/")
        self.assertEqual(self.follow("/cookie/set"), (200, b"session=abc123"))
        self.assertEqual(self.get("/cookie/check")[1], b"no cookie")
        self.assertEqual(self.get("/cookie/check", {"Cookie": "a=1; b=2"})[1], b"a=1; b=2")

    def test_slow(self):
        started = time.monotonic()
        self.assertEqual(self.get("/slow?ms=300")[1], b"slow")
        self.assertGreaterEqual(time.monotonic() - started, 0.3)  # a lower bound only

    def test_never_ends_sends_ten_bytes_of_a_million(self):
        connection = self.connect()
        connection.request("GET", "/never-ends")
        response = connection.getresponse()
        self.assertEqual((response.status, response.getheader("Content-Length")), (200, "1000000"))
        self.assertEqual(len(response.read(10)), 10)
        connection.close()

    def test_cut_closes_after_ten_of_a_hundred_bytes(self):
        received = self.raw(b"GET /cut HTTP/1.1\r\nHost: x\r\n\r\n")
        head, body = received.split(b"\r\n\r\n", 1)
        self.assertIn(b"\r\nContent-Length: 100", head)
        self.assertEqual(len(body), 10)

    def test_bytes(self):
        response, body = self.get("/bytes")
        self.assertEqual(response.getheader("Content-Type"), "application/octet-stream")
        self.assertEqual(body, bytes(range(0x80, 0x100)))

    def test_body_sizes(self):
        for size in [0, 1, 65536, 3 * 65536 + 7]:
            self.assertEqual(self.get(f"/body?size={size}")[1], b"x" * size)

    def test_charset(self):
        response, body = self.get("/charset?type=text/html;%20charset=windows-1251&hex=c0e1ff")
        self.assertEqual(response.getheader("Content-Type"), "text/html; charset=windows-1251")
        self.assertEqual(body, b"\xc0\xe1\xff")
        response, body = self.get("/charset?hex=41")
        self.assertIsNone(response.getheader("Content-Type"))
        self.assertEqual(body, b"A")

    def test_echo_gives_request_line_and_headers_as_received(self):
        received = self.raw(b"GET /echo/a+b?x=%c3%a9&raw=\xc3\xa9 HTTP/1.1\r\nHost: here\r\n"
                            b"X-Test: one two\r\nConnection: close\r\n\r\n")
        body = received.split(b"\r\n\r\n", 1)[1]
        self.assertEqual(body, b"GET /echo/a+b?x=%c3%a9&raw=\xc3\xa9 HTTP/1.1\nHost: here\n"
                               b"X-Test: one two\nConnection: close\n")

    def test_unknown_path(self):
        self.assertEqual(self.get("/nothing-here")[0].status, 404)

    def test_many_connections_at_once(self):
        # All 64 stay open on /never-ends; each gets its bytes only if they are served together.
        connections = [self.connect() for _ in range(64)]
        for connection in connections:
            connection.request("GET", "/never-ends")
        for connection in connections:
            self.assertEqual(len(connection.getresponse().read(10)), 10)
        for connection in connections:
            connection.close()


class HttpTest(Endpoints, unittest.TestCase):
    scheme = "http"


class HttpsTest(Endpoints, unittest.TestCase):
    scheme = "https"


class ProxyTest(unittest.TestCase):
    def setUp(self):
        token = base64.b64encode(f"{STATE['proxy_user']}:{STATE['proxy_password']}".encode())
        self.credentials = {"Proxy-Authorization": "Basic " + token.decode()}

    def forward(self, proxy_port, headers={}):
        connection = http.client.HTTPConnection("127.0.0.1", proxy_port, timeout=30)
        connection.request("GET", f"http://localhost:{port('http_port')}/echo", headers=headers)
        response = connection.getresponse()
        body = response.read()
        connection.close()
        return response, body

    def tunnel(self, proxy_port, headers=None):
        connection = http.client.HTTPSConnection("127.0.0.1", proxy_port, timeout=30,
                                                 context=UNVERIFIED)
        connection.set_tunnel("localhost", port("https_port"), headers)
        try:
            connection.request("GET", "/hello")
            response = connection.getresponse()
            return response.status, response.read()
        finally:
            connection.close()

    def test_plain_proxy_forwards(self):
        response, body = self.forward(port("proxy_port"))
        self.assertEqual(response.status, 200)
        self.assertTrue(body.startswith(b"GET /echo HTTP/1.1\n"))
        self.assertIn(b"tinyproxy", body)  # its Via header shows the request went through it

    def test_plain_proxy_tunnels(self):
        self.assertEqual(self.tunnel(port("proxy_port")), (200, b"Hello, world"))

    def test_auth_proxy_wants_credentials(self):
        response, _ = self.forward(port("auth_proxy_port"))
        self.assertEqual(response.status, 407)
        self.assertIn("Basic", response.getheader("Proxy-Authenticate"))
        response, _ = self.forward(port("auth_proxy_port"),
                                   {"Proxy-Authorization": "Basic " +
                                    base64.b64encode(b"scriptuser:wrong").decode()})
        self.assertEqual(response.status, 401)  # tinyproxy 1.11 answers a wrong password so
        with self.assertRaisesRegex(OSError, "407"):
            self.tunnel(port("auth_proxy_port"))

    def test_auth_proxy_with_credentials(self):
        response, body = self.forward(port("auth_proxy_port"), self.credentials)
        self.assertEqual(response.status, 200)
        self.assertTrue(body.startswith(b"GET /echo HTTP/1.1\n"))
        self.assertEqual(self.tunnel(port("auth_proxy_port"), self.credentials),
                         (200, b"Hello, world"))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1]) as state:
        STATE.update(line.rstrip("\n").split("=", 1) for line in state if "=" in line)
    unittest.main(argv=sys.argv[:1], verbosity=2)
