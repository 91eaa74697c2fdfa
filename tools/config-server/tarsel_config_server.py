#!/usr/bin/python3
"""A substitute configuration server for the tests and the demo.

Serves one answer (status, body, delay) over HTTPS with a self-signed
certificate and over plain HTTP, and runs a CONNECT proxy that tunnels every
CONNECT, whatever its target, to the HTTPS listener: with https_proxy pointed
at the proxy, the library's fixed production URL reaches this server.

The answer is read from --answer FILE at every request when that file exists
(JSON: {"status": 200, "body": "...", "body_base64": "...", "body_size": N,
"delay": seconds, "truncate": N}; body_base64 carries bytes that are not text,
truncate sends only the first N bytes of the body and closes), so a
test can change it between requests; otherwise from the command line. Every
request is appended to --log FILE as one JSON line. Listens on loopback only
and stops by itself after --lifetime seconds.

Prints "READY https=PORT http=PORT proxy=PORT" once listening.
"""
import argparse
import base64
import http.server
import json
import os
import select
import socket
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time

LOCK = threading.Lock()


def log_event(path, event):
    if not path:
        return
    with LOCK, open(path, "a", encoding="utf-8") as f:
        f.write(json.dumps(event) + "\n")


def make_certificate(directory):
    key = os.path.join(directory, "key.pem")
    cert = os.path.join(directory, "cert.pem")
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
         "-nodes", "-subj", "/CN=tarsel-config-server", "-days", "2", "-keyout", key, "-out", cert],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


class Answer:
    def __init__(self, args):
        self.args = args

    def current(self):
        answer = {"status": self.args.status, "body": self.args.body, "delay": self.args.delay}
        if self.args.body_file:
            with open(self.args.body_file, "r", encoding="utf-8") as f:
                answer["body"] = f.read()
        if self.args.answer and os.path.exists(self.args.answer):
            with open(self.args.answer, "r", encoding="utf-8") as f:
                answer.update(json.load(f))
        body = answer.get("body", "").encode("utf-8")
        if "body_base64" in answer:
            body = base64.b64decode(answer["body_base64"])
        if "body_size" in answer:
            body = b"x" * int(answer["body_size"])
        truncate = answer.get("truncate")
        return (int(answer.get("status", 200)), body, float(answer.get("delay", 0)),
                None if truncate is None else int(truncate))


def handler_for(listener, answer, log_path):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def do_GET(self):
            log_event(log_path, {
                "listener": listener, "method": self.command, "path": self.path,
                "version": self.request_version,
                "headers": [[k, v] for k, v in self.headers.items()],
            })
            status, body, delay, truncate = answer.current()
            if delay > 0:
                time.sleep(delay)
            try:
                self.send_response(status)
                self.send_header("Content-Type", "application/json")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                if truncate is None:
                    self.wfile.write(body)
                else:
                    self.wfile.write(body[:truncate])
                    self.wfile.flush()
                    self.close_connection = True
                    self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass  # the client gave up, as a stalled client should

        def log_message(self, *args):
            pass

    return Handler


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # clients that hang up mid-handshake are part of the tests


class TlsServer(Server):
    """Handshakes in the request's own thread, so one silent client cannot
    hold up the accept loop."""
    context = None

    def get_request(self):
        sock, address = self.socket.accept()
        return self.context.wrap_socket(sock, server_side=True, do_handshake_on_connect=False), address


class ProxyHandler(socketserver.BaseRequestHandler):
    target_port = 0
    log_path = None

    def handle(self):
        head = b""
        while b"\r\n\r\n" not in head:
            chunk = self.request.recv(4096)
            if not chunk:
                return
            head += chunk
            if len(head) > 65536:
                return
        line = head.split(b"\r\n", 1)[0].decode("latin-1")
        parts = line.split()
        if len(parts) < 2 or parts[0] != "CONNECT":
            self.request.sendall(b"HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n")
            return
        log_event(self.log_path, {"listener": "proxy", "connect": parts[1]})
        upstream = socket.create_connection(("127.0.0.1", self.target_port))
        self.request.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
        rest = head.split(b"\r\n\r\n", 1)[1]
        if rest:
            upstream.sendall(rest)
        sockets = [self.request, upstream]
        try:
            while True:
                readable, _, _ = select.select(sockets, [], [], 60)
                if not readable:
                    return
                for s in readable:
                    data = s.recv(65536)
                    if not data:
                        return
                    (upstream if s is self.request else self.request).sendall(data)
        except OSError:
            return
        finally:
            upstream.close()


class ProxyServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass


def serve(server):
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    return thread


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--status", type=int, default=200)
    parser.add_argument("--body", default='{"result":{"error_code":0},"interval":5}')
    parser.add_argument("--body-file")
    parser.add_argument("--delay", type=float, default=0)
    parser.add_argument("--answer", help="JSON file read at every request")
    parser.add_argument("--log", help="append every request here as a JSON line")
    parser.add_argument("--lifetime", type=float, default=600, help="seconds until it stops itself")
    args = parser.parse_args()

    answer = Answer(args)
    with tempfile.TemporaryDirectory() as directory:
        cert, key = make_certificate(directory)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)

        TlsServer.context = context
        https = TlsServer(("127.0.0.1", 0), handler_for("https", answer, args.log))
        plain = Server(("127.0.0.1", 0), handler_for("http", answer, args.log))
        ProxyHandler.target_port = https.server_address[1]
        ProxyHandler.log_path = args.log
        proxy = ProxyServer(("127.0.0.1", 0), ProxyHandler)
        for server in (https, plain, proxy):
            serve(server)
        print("READY https=%d http=%d proxy=%d" % (
            https.server_address[1], plain.server_address[1], proxy.server_address[1]), flush=True)
        try:
            time.sleep(args.lifetime)
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
