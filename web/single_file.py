"""Assembles the whole page into one HTML file that works opened from the disk
(file://) and makes no request: the page's modules bundled by esbuild into one
classic inline script, the styles inline, the icon as a data: URL, and the
worker's code (the WebAssembly as base64, emscripten's classic loader, the
worker's modules bundled) as a data block that the page starts as a blob
worker. Inline scripts and styles are allowed by their hashes; the policy
allows nothing from the network.
    python3 web/single_file.py SITE CLASSIC_JS CLASSIC_WASM OUTPUT.html
SITE is the built site folder; CLASSIC_JS and CLASSIC_WASM are the core linked
as a classic script (pressling-classic.js and its .wasm)."""

import base64
import hashlib
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent


def fail(message):
    sys.exit(f"single_file.py: {message}")


def bundle(folder, entry):
    """One classic script of entry and every module it imports."""
    run = subprocess.run(["esbuild", str(folder / entry), "--bundle", "--format=iife", "--charset=utf8",
                          "--log-level=warning"], capture_output=True, text=True)
    if run.returncode != 0:
        fail(f"esbuild {entry}: {run.stderr.strip()}")
    return run.stdout


def check_inline(text, what):
    # Inside a script or style element these would end it, or change how the rest is parsed.
    lowered = text.lower()
    for bad in ("</script", "<!--", "</style"):
        if bad in lowered:
            fail(f"{what} holds {bad!r} and cannot be inlined")
    return text


def digest(text):
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode("utf-8")).digest()).decode("ascii") + "'"


def replace_once(html, pattern, replacement, what):
    result, count = re.subn(pattern, lambda _: replacement, html, count=1)
    if count != 1:
        fail(f"index.html has no {what}")
    return result


def main():
    if len(sys.argv) != 5:
        fail("usage: single_file.py SITE CLASSIC_JS CLASSIC_WASM OUTPUT.html")
    site, loader, wasm, output = (pathlib.Path(a) for a in sys.argv[1:])

    with tempfile.TemporaryDirectory(prefix="pressling-single-") as temporary:
        folder = pathlib.Path(temporary)
        for source in site.iterdir():
            if source.suffix in (".js", ".mjs", ".json"):
                shutil.copy(source, folder / source.name)
        # The modules that differ in the single file: how the worker starts,
        # where its WebAssembly comes from, and the loader it uses.
        for source in (HERE / "single").iterdir():
            shutil.copy(source, folder / source.name)
        page_script = check_inline(bundle(folder, "main.js"), "the page's script")
        worker_script = bundle(folder, "worker.js")

    wasm_base64 = base64.b64encode(wasm.read_bytes()).decode("ascii")
    worker_code = check_inline(
        f"self.presslingWasmBase64 = '{wasm_base64}';\n{loader.read_text(encoding='utf-8')}\n{worker_script}",
        "the worker's code")
    style = check_inline((site / "style.css").read_text(encoding="utf-8"), "the styles")
    icon = base64.b64encode((site / "icon.svg").read_bytes()).decode("ascii")
    fflate_license = check_inline((site / "fflate-LICENSE.txt").read_text(encoding="utf-8"), "fflate's licence")

    policy = (f"default-src 'none'; script-src {digest(page_script)} 'wasm-unsafe-eval'; "
              f"style-src {digest(style)}; img-src data:; worker-src blob:; base-uri 'none'; form-action 'none'")
    html = (site / "index.html").read_text(encoding="utf-8")
    html = replace_once(html, r'<meta http-equiv="Content-Security-Policy" content="[^"]*">',
                        f'<meta http-equiv="Content-Security-Policy" content="{policy}">', "policy")
    html = replace_once(html, r'<link rel="icon" href="icon\.svg">',
                        f'<link rel="icon" href="data:image/svg+xml;base64,{icon}">', "icon")
    html = replace_once(html, r'<link rel="stylesheet" href="style\.css">', f"<style>{style}</style>", "style sheet")
    html = replace_once(html, r'<script type="module" src="main\.js"></script>\n?', "", "page script")
    # What only the served site has: the manifest and the offline cache.
    html = re.sub(r'<link rel="manifest"[^>]*>\n?', "", html)
    html = re.sub(r'<script type="module" src="offline\.js"></script>\n?', "", html)
    # The page's script runs once the document is parsed, as the module did.
    tail = (f'<script type="text/plain" id="pressling-worker">{worker_code}</script>\n'
            f"<script>{page_script}</script>\n"
            f"<!-- fflate, bundled above:\n{fflate_license}-->\n</body>")
    html = replace_once(html, r"</body>", tail, "</body>")
    output.write_text(html, encoding="utf-8")
    print(f"single_file.py: {output} ({output.stat().st_size // 1024} KiB)")


if __name__ == "__main__":
    main()
