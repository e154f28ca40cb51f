#!/usr/bin/env python3
"""Plays ovcall's scripts against the local test services.

usage: check_ovcall.py STATEFILE OVCALL [WRAPPER ARGS...]
The ovcall command is everything after STATEFILE (for Windows: the Wine wrapper, its prefix and
ovcall.exe), so the same cases run natively and under Wine.
"""
import subprocess
import sys
import unittest

STATE = {}
OVCALL = []


def ovcall(*arguments):
    run = subprocess.run(OVCALL + list(arguments), capture_output=True, timeout=120)
    return run.returncode, run.stdout, run.stderr.decode("latin-1")


def http(path, host="127.0.0.1"):
    return f"http://{host}:{STATE['http_port']}{path}"


class OvcallTest(unittest.TestCase):
    def test_prints_the_response_read_in_pieces(self):
        for path, body in [("/hello", b"Hello, world"), ("/body?size=10000", b"x" * 10000)]:
            with self.subTest(path=path):
                code, out, err = ovcall("get", http(path))
                self.assertEqual((code, out), (0, body), err)

    def test_prints_the_text_in_utf8_or_the_bytes_as_received(self):
        euro_json = http("/charset?type=application/json&hex=22e282ac22")
        self.assertEqual(ovcall("get", euro_json)[:2], (0, '"\u20ac"'.encode()))
        latin1 = http("/charset?type=text/plain;%20charset%3Diso-8859-1&hex=e9")
        self.assertEqual(ovcall("get", latin1)[:2], (0, "\u00e9".encode()))
        self.assertEqual(ovcall("get", http("/bytes"), "--raw")[:2], (0, bytes(range(0x80, 0x100))))
        code, out, err = ovcall("get", http("/echo/\u0416"))
        self.assertEqual(code, 0, err)
        self.assertTrue(out.startswith(b"GET /echo/%d0%96 HTTP/1.1"), out)

    def test_reports_the_error_code_and_description(self):
        cases = [
            (["get", http("/status/404")], "error 404: HTTP/1.1 404 Not Found"),
            (["get", "http://127.0.0.1:1/"], "error 0: "),
            (["get", http("/slow?ms=5000"), "--read-timeout", "500"], "error 0: "),
            (["get", f"https://localhost:{STATE['https_port']}/hello"], "error 0: "),
        ]
        for arguments, message in cases:
            with self.subTest(arguments=arguments):
                code, out, err = ovcall(*arguments)
                self.assertEqual((code, out), (1, b""), err)
                self.assertIn(message, err)

    def test_uses_a_proxy_with_credentials_and_can_skip_the_certificate_check(self):
        proxy = f"127.0.0.1:{STATE['auth_proxy_port']}:{STATE['proxy_user']}:{STATE['proxy_password']}"
        code, out, err = ovcall("get", http("/echo/p", "localhost"), "--proxy", proxy)
        self.assertEqual(code, 0, err)
        self.assertIn(b"Via:", out)
        code, out, err = ovcall("get", f"https://localhost:{STATE['https_port']}/hello", "--insecure")
        self.assertEqual((code, out), (0, b"Hello, world"), err)

    def test_logs_in_and_prints_the_token_or_the_reason(self):
        code, out, err = ovcall("login", http("/login"), "trader", "opensesame")
        self.assertEqual(code, 0, err)
        self.assertRegex(out, rb"^[A-Za-z0-9+/]{32}\r?\n$")  # Windows ends text lines with CR LF
        # The demo service enciphers its token with an independent Blowfish under the shared key.
        code, out, err = ovcall("decrypt", out.decode().strip())
        self.assertEqual((code, out.strip()), (0, b"session 4711 for trader"), err)
        code, out, err = ovcall("login", http("/login"), "trader", "guess")
        self.assertEqual((code, out), (1, b""))
        self.assertRegex(err, r"^login failed: Wrong user name or password\r?\n$")
        code, out, err = ovcall("login", http("/login/status/500"), "trader", "guess")
        self.assertEqual(code, 1)
        self.assertIn("A platform error has occurred", err)

    def test_sends_the_user_name_as_typed(self):
        code, out, err = ovcall("login", http("/login/echo"), "Jos\u00e9 \u20ac", "p")
        self.assertEqual(code, 0, err)
        self.assertIn(b"&username=Jos%c3%a9+%e2%82%ac&", out)

    def test_enciphers_to_hexadecimal(self):
        # The ciphertext's units mostly have no ANSI character, so the text differs little
        # between inputs; it must be whole bytes, and the same for the same input.
        outputs = []
        for text in ["meet at 10", "meet at 10"]:
            code, out, err = ovcall("encrypt", text)
            self.assertEqual(code, 0, err)
            self.assertRegex(out, rb"^([0-9a-f]{2})+\r?\n$")
            outputs.append(out)
        self.assertEqual(outputs[0], outputs[1])

    def test_refuses_wrong_arguments_with_its_usage(self):
        for arguments in [[], ["fetch"], ["get"], ["get", "u", "--proxy", "h"],
                          ["get", "u", "--read-timeout", "soon"], ["login", "u", "v"],
                          ["encrypt"], ["decrypt", "a", "b"]]:
            with self.subTest(arguments=arguments):
                code, out, err = ovcall(*arguments)
                self.assertEqual(code, 2, err)
                self.assertIn("usage: ovcall", err)


if __name__ == "__main__":
    with open(sys.argv[1]) as state:
        STATE.update(line.strip().split("=", 1) for line in state if "=" in line)
    OVCALL.extend(sys.argv[2:])
    unittest.main(argv=sys.argv[:1], verbosity=2)
