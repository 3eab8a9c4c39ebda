"""Writes into the built site's sw.js the list of the site's files and a
version made from their names and contents, so that every change to the site
gives the service worker a new cache.
    python3 web/offline_stamp.py SITE"""

import hashlib
import json
import pathlib
import sys


def main():
    site = pathlib.Path(sys.argv[1])
    worker = site / "sw.js"
    files = sorted(p.name for p in site.iterdir() if p.is_file() and p.name != "sw.js")
    version = hashlib.sha256()
    for name in files:
        version.update(name.encode("utf-8") + b"\0" + (site / name).read_bytes() + b"\0")
    text = worker.read_text(encoding="utf-8")
    # "./" is the address the site is visited at; it is the same file as index.html.
    listed = ", ".join(json.dumps(name) for name in ["./"] + files)
    for placeholder, value in (("'VERSION'", f"'{version.hexdigest()[:16]}'"), ("['FILES']", f"[{listed}]")):
        if placeholder not in text:
            sys.exit(f"offline_stamp.py: {worker} has no {placeholder}")
        text = text.replace(placeholder, value)
    worker.write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main()
