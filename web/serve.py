"""Serves the built site on 127.0.0.1 with python3's http.server, every file
with the page's Content-Security-Policy as a header too, so that the worker
runs under it as well.
    python3 web/serve.py [--port N] [--log] FOLDER     (port 0: any free port)
Prints the address on its first line once it listens; with --log, then one
line per request: its method and path."""

import argparse
import functools
import http.server
import sys

POLICY = ("default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; object-src 'none'; "
          "base-uri 'none'; form-action 'none'")


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".js": "text/javascript", ".mjs": "text/javascript", ".wasm": "application/wasm",
                      ".webmanifest": "application/manifest+json"}

    def end_headers(self):
        self.send_header("Content-Security-Policy", POLICY)
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def log_message(self, format, *args):
        pass

    def log_request(self, code="-", size="-"):
        if self.server.log_requests:
            print(f"{self.command} {self.path}", flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=8080)
    parser.add_argument("--log", action="store_true")
    parser.add_argument("folder")
    args = parser.parse_args()
    handler = functools.partial(Handler, directory=args.folder)
    with http.server.ThreadingHTTPServer(("127.0.0.1", args.port), handler) as server:
        server.log_requests = args.log
        print(f"http://127.0.0.1:{server.server_address[1]}/", flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
