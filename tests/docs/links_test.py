#!/usr/bin/env python3
"""Every relative link and image in README.md and docs/*.md points at a file
that exists, and every #anchor at a heading of that file."""
import pathlib
import re
import sys

LINK = re.compile(r'!?\[[^\]]*\]\(([^)\s]+)(?:\s+"[^"]*")?\)')
FENCE = re.compile(r'^\s*(```|~~~)')


def prose_lines(path):
    inside = False
    for line in path.read_text(encoding='utf-8').splitlines():
        if FENCE.match(line):
            inside = not inside
        elif not inside and not line.startswith('    '):
            yield line


def anchors(path):
    # Headings as GitHub names them: lower case, punctuation dropped, spaces as dashes.
    found = set()
    for line in prose_lines(path):
        if line.startswith('#'):
            title = line.lstrip('#').strip().lower()
            found.add(re.sub(r'[^\w\- ]', '', title).replace(' ', '-'))
    return found


def faults(root):
    pages = [root / 'README.md'] + sorted((root / 'docs').glob('*.md'))
    for page in pages:
        for number, line in enumerate(prose_lines(page), 1):
            for target in LINK.findall(line):
                if re.match(r'^[a-z][a-z0-9+.-]*:', target):
                    continue  # http:, mailto: and the like
                file_part, _, anchor = target.partition('#')
                linked = (page.parent / file_part).resolve() if file_part else page
                where = f'{page.relative_to(root)}: {target}'
                if not linked.exists():
                    yield f'{where}: no file {linked.relative_to(root) if linked.is_relative_to(root) else linked}'
                elif anchor and linked.suffix == '.md' and anchor not in anchors(linked):
                    yield f'{where}: no heading #{anchor} in {linked.name}'


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else '.').resolve()
    found = list(faults(root))
    for fault in found:
        print(fault)
    print(f'{len(found)} broken links' if found else 'every link of README.md and docs/ resolves')
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
