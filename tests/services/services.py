#!/usr/bin/env python3
"""Local services for the request tests: an HTTP and an HTTPS test server and two tinyproxies.

  services.py start STATEFILE  starts them in the background on 127.0.0.1 and returns once all
                               accept connections; STATEFILE then holds their ports (key=value)
  services.py stop STATEFILE   stops them; harmless when nothing runs
"""
import os
import re
import select
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import threading
import time
from contextlib import suppress
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path
from urllib.parse import parse_qsl, urlsplit

from blowfish import shared_key_token

LIFETIME = 30 * 60  # a forgotten daemon ends itself
PROXY_USER, PROXY_PASSWORD = "scriptuser", "s3cret"
DEMO_USER, DEMO_PASSWORD = "trader", "opensesame"
DEMO_SESSION = "session 4711 for trader"  # the demo user's token, before it is enciphered
stopping = threading.Event()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    timeout = 120  # idle keep-alive connections must not hold a thread for ever

    def log_message(self, format, *args):
        pass  # benchmarks send many requests; errors still reach the log via handle_error

    def do_GET(self):
        url = urlsplit(self.path)
        query = dict(parse_qsl(url.query, keep_blank_values=True))
        path = url.path
        try:
            if path == "/hello":
                self.reply(200, b"Hello, world")
            elif m := re.fullmatch(r"/status/(\d{3})", path):
                self.status(int(m[1]))
            elif path == "/redirect" and "to" in query:
                self.reply(302, b"", headers=[("Location", query["to"])])
            elif m := re.fullmatch(r"/redirect-chain/(\d+)", path):
                n = int(m[1])
                if n:
                    self.reply(302, b"", headers=[("Location", f"/redirect-chain/{n - 1}")])
                else:
                    self.reply(200, b"end of chain")
            elif path == "/redirect-loop":
                self.reply(302, b"", headers=[("Location", "/redirect-loop")])
            elif path == "/cookie/set":
                self.reply(302, b"", headers=[("Location", "/cookie/check"),
                                              ("Set-Cookie", "session=abc123; Path=/")])
            elif path == "/cookie/check":
                self.reply(200, self.headers.get("Cookie", "no cookie").encode("latin-1"))
            elif path == "/slow":
                stopping.wait(int(query.get("ms", "0")) / 1000)
                self.reply(200, b"slow")
            elif path == "/never-ends":
                self.never_ends()
            elif path == "/cut":
                self.begin(200, 100)
                self.wfile.write(b"x" * 10)
                self.close_connection = True
            elif path == "/bytes":
                self.reply(200, bytes(range(0x80, 0x100)), "application/octet-stream")
            elif path == "/body":
                self.body(int(query.get("size", "0")))
            elif path == "/charset":
                self.reply(200, bytes.fromhex(query.get("hex", "")), query.get("type"))
            elif path.startswith("/login"):
                self.login(path, url.query, query)
            elif path.startswith("/echo"):
                # Headers were decoded as Latin-1, so encoding back gives the bytes received.
                lines = [self.requestline] + [f"{k}: {v}" for k, v in self.headers.items()]
                self.reply(200, "".join(line + "\n" for line in lines).encode("latin-1"))
            else:
                self.reply(404, b"not found")
        except ValueError:  # a malformed query, found before anything was sent
            self.reply(400, b"bad request")

    def login(self, path, raw_query, query):
        """The login endpoint: /login checks the demo user; /login/reply/HEX answers with the
        bytes HEX; /login/echo puts the query as received into the token; /login/slow/MS answers
        with a token after MS milliseconds."""
        if path == "/login":
            if (query.get("username"), query.get("password")) == (DEMO_USER, DEMO_PASSWORD):
                token = shared_key_token(DEMO_SESSION)
                body = f"<sessionid>4711</sessionid><encryptedtoken>{token}</encryptedtoken>"
            else:
                body = "<sessionid>0</sessionid><errormessage>Wrong user name or password</errormessage>"
            self.reply(200, f'<?xml version="1.0"?><login>{body}</login>'.encode(), "text/xml")
        elif m := re.fullmatch(r"/login/reply/([0-9a-fA-F]*)", path):
            self.reply(200, bytes.fromhex(m[1]), "text/xml")
        elif path == "/login/echo":
            body = f"<sessionid>1</sessionid><encryptedtoken>{raw_query}</encryptedtoken>"
            self.reply(200, body.encode("latin-1"), "text/xml")
        elif m := re.fullmatch(r"/login/slow/(\d+)", path):
            stopping.wait(int(m[1]) / 1000)
            self.reply(200, b"<sessionid>2</sessionid><encryptedtoken>late</encryptedtoken>")
        else:
            self.reply(404, b"not found")

    def begin(self, code, length, content_type="text/plain", headers=(), reason=None):
        self.send_response(code, reason)
        if content_type is not None:
            self.send_header("Content-Type", content_type)
        for name, value in headers:
            self.send_header(name, value)
        if length is not None:
            self.send_header("Content-Length", str(length))
        self.end_headers()

    def reply(self, code, body, content_type="text/plain", headers=()):
        self.begin(code, len(body), content_type, headers)
        self.wfile.write(body)

    def status(self, code):
        try:
            reason = HTTPStatus(code).phrase
        except ValueError:
            reason = "Custom"
        if code < 200 or code in (204, 304):  # these must not carry a body
            self.begin(code, None, None, reason=reason)
        else:
            body = f"status {code}".encode()
            self.begin(code, len(body), reason=reason)
            self.wfile.write(body)

    def body(self, size):
        if not 0 <= size <= 64 << 20:
            raise ValueError(size)
        self.begin(200, size)
        chunk = b"x" * (1 << 16)
        for offset in range(0, size, len(chunk)):
            self.wfile.write(chunk[: size - offset])

    def never_ends(self):
        self.begin(200, 1_000_000)
        self.wfile.write(b"x" * 10)
        self.close_connection = True
        deadline = time.monotonic() + 60
        while not stopping.is_set() and time.monotonic() < deadline:
            if select.select([self.connection], [], [], 0.2)[0]:
                try:
                    if not self.connection.recv(4096):
                        return  # the client has gone
                except OSError:
                    return


class Server(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 256  # the default backlog of 5 refuses bursts of parallel requests

    def handle_error(self, request, client_address):
        print(f"{client_address}: {sys.exc_info()[1]!r}", file=sys.stderr, flush=True)


class TlsServer(Server):
    def __init__(self, address, context):
        super().__init__(address, Handler)
        self.context = context

    def finish_request(self, request, client_address):
        # The handshake runs here, on the connection's own thread, not in the accept loop.
        request.settimeout(Handler.timeout)
        with self.context.wrap_socket(request, server_side=True) as connection:
            Handler(connection, client_address, self)


def make_certificate(folder):
    cert, key = folder / "cert.pem", folder / "key.pem"
    made = subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
         "-keyout", key, "-out", cert, "-subj", "/CN=localhost",
         "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"],
        stdin=subprocess.DEVNULL, capture_output=True)
    if made.returncode:  # its progress dots are noise, its errors are not
        raise RuntimeError(made.stderr.decode(errors="replace"))
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def accepts(port, process):
    deadline = time.monotonic() + 10
    while process.poll() is None and time.monotonic() < deadline:
        with suppress(OSError), socket.create_connection(("127.0.0.1", port), timeout=1):
            return True
        time.sleep(0.05)
    return False


def start_proxy(folder, name, auth):
    # tinyproxy cannot take port 0, so a free port is picked and retried if someone takes it first.
    for _ in range(5):
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        # No ConnectPort lines: CONNECT is then allowed to any port.
        config = [f"Port {port}", "Listen 127.0.0.1", "Allow 127.0.0.1", "Timeout 600",
                  "MaxClients 256", "LogLevel Warning"]
        if auth:
            config.append(f"BasicAuth {PROXY_USER} {PROXY_PASSWORD}")
        (folder / f"{name}.conf").write_text("\n".join(config) + "\n")
        process = subprocess.Popen(["tinyproxy", "-d", "-c", folder / f"{name}.conf"],
                                   stdin=subprocess.DEVNULL)
        if accepts(port, process):
            return process, port
        process.kill()
        process.wait()
    raise RuntimeError(f"{name}: tinyproxy does not start")


def serve(state):
    signal.signal(signal.SIGTERM, lambda *_: stopping.set())
    signal.signal(signal.SIGINT, lambda *_: stopping.set())
    folder = files_folder(state)
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    servers = [Server(("127.0.0.1", 0), Handler),
               TlsServer(("127.0.0.1", 0), make_certificate(folder))]
    proxies = []
    try:
        for server in servers:
            threading.Thread(target=server.serve_forever, daemon=True).start()
        proxy, proxy_port = start_proxy(folder, "proxy", auth=False)
        proxies.append(proxy)
        auth_proxy, auth_proxy_port = start_proxy(folder, "auth-proxy", auth=True)
        proxies.append(auth_proxy)
        values = {"http_port": servers[0].server_port, "https_port": servers[1].server_port,
                  "proxy_port": proxy_port, "auth_proxy_port": auth_proxy_port,
                  "proxy_user": PROXY_USER, "proxy_password": PROXY_PASSWORD, "pid": os.getpid()}
        temporary = state.with_name(state.name + ".tmp")
        temporary.write_text("".join(f"{k}={v}\n" for k, v in values.items()))
        temporary.rename(state)  # readers see the whole file or none
        stopping.wait(LIFETIME)
    finally:
        stopping.set()
        for process in proxies:
            process.terminate()
        for process in proxies:
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
        for server in servers:
            server.shutdown()
            server.server_close()
        state.unlink(missing_ok=True)
        shutil.rmtree(folder, ignore_errors=True)


def files_folder(state):
    return state.with_name(state.name + ".files")


def running(pid):
    try:
        return Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()[0] != "Z"
    except (OSError, IndexError):
        return False


def read_bytes(path):
    try:
        return Path(path).read_bytes()
    except OSError:
        return b""


def start(state):
    stop(state)
    state.parent.mkdir(parents=True, exist_ok=True)
    log = state.with_name(state.name + ".log")
    with open(log, "wb") as output:
        # Own session and no inherited pipes: ctest must not wait for the daemon's output.
        daemon = subprocess.Popen([sys.executable, __file__, "serve", state], cwd=state.parent,
                                  stdin=subprocess.DEVNULL, stdout=output, stderr=output,
                                  start_new_session=True)
    deadline = time.monotonic() + 60
    while not state.exists():
        if daemon.poll() is not None or time.monotonic() > deadline:
            with suppress(ProcessLookupError):
                os.killpg(daemon.pid, signal.SIGKILL)
            sys.stderr.write(f"test services did not start; {log}:\n{log.read_text()}")
            return 1
        time.sleep(0.05)
    print(state.read_text(), end="")
    return 0


def stop(state):
    try:
        values = dict(line.split("=", 1) for line in state.read_text().splitlines() if "=" in line)
        pid = int(values.get("pid", "0"))
    except (OSError, ValueError):
        pid = 0
    ours = running(pid) and b"services.py" in read_bytes(f"/proc/{pid}/cmdline")
    if ours:
        os.killpg(pid, signal.SIGTERM)
        deadline = time.monotonic() + 10
        while running(pid) and time.monotonic() < deadline:
            time.sleep(0.05)
    if pid and (ours or not running(pid)):
        # Stragglers, or leftovers of a killed daemon: a group id is not reused while a member lives.
        with suppress(ProcessLookupError, PermissionError):
            os.killpg(pid, signal.SIGKILL)
    state.unlink(missing_ok=True)
    shutil.rmtree(files_folder(state), ignore_errors=True)
    return 0


def main():
    commands = {"start": start, "stop": stop, "serve": serve}
    if len(sys.argv) != 3 or sys.argv[1] not in commands:
        sys.exit(__doc__)
    sys.exit(commands[sys.argv[1]](Path(sys.argv[2]).absolute()))


if __name__ == "__main__":
    main()
