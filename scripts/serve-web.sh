#!/usr/bin/env bash
# Serves the browser version (build-web/site/, written by scripts/build-web.sh) on this
# machine only: scripts/serve-web.sh [port], 8080 unless told.  Ctrl+C stops it.
set -euo pipefail
cd "$(dirname "$0")/.."
port=${1:-8080}
site=$PWD/build-web/site
case $port in
  '' | *[!0-9]*) echo "serve-web: the port must be a number, not '$port'" >&2; exit 2 ;;
esac
if [ ! -f "$site/index.html" ]; then
  echo "serve-web: build-web/site/ has no page yet; build it first: scripts/build-web.sh" >&2
  exit 1
fi
# Browsers compile WebAssembly while it downloads only when it comes as application/wasm;
# the type is set here rather than left to the machine's MIME table.  No caching, so a
# rebuilt site is what the next reload shows.
exec python3 - "$site" "$port" <<'PY'
import functools, http.server, sys

class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript",
                      ".json": "application/json", ".xm": "application/octet-stream"}

    def end_headers(self):
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

site, port = sys.argv[1], int(sys.argv[2])
try:
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), functools.partial(Handler, directory=site))
except OSError as e:
    sys.exit(f"serve-web: cannot serve on 127.0.0.1:{port} ({e.strerror}); give another port: scripts/serve-web.sh {port + 1}")
print(f"serve-web: open http://127.0.0.1:{port}/ (Ctrl+C stops the server)", flush=True)
try:
    server.serve_forever()
except KeyboardInterrupt:
    pass
PY
