#!/usr/bin/env python3
"""Prints the message ids of the page's scripts, the texts they mark with
t('...') and tf('...'), as C++ string literals, one a line, each followed by
a comma: the list web_entry.cpp translates for the page. xgettext reads the
scripts as scripts/update-po.sh does, so the list and the catalogs agree."""
import subprocess
import sys


def message_ids(pot):
    ids, current = [], None
    for line in pot.splitlines():
        if line.startswith('msgid "'):
            current = [line[len('msgid '):]]
        elif current is not None and line.startswith('"'):
            current.append(line)
        elif current is not None:
            ids.append(current)
            current = None
    if current is not None:
        ids.append(current)
    # A PO string's escapes are C's, so its quoted pieces are C++ literals as they stand.
    return [' '.join(pieces) for pieces in ids if pieces != ['""']]


def main():
    pot = subprocess.run(['xgettext', '--from-code=UTF-8', '--language=JavaScript', '--keyword=', '--keyword=t',
                          '--keyword=tf', '--force-po', '-o', '-', *sys.argv[1:]],
                         check=True, capture_output=True, text=True).stdout
    for literal in message_ids(pot):
        print(literal + ',')


if __name__ == '__main__':
    main()
