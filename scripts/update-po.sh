#!/usr/bin/env bash
# Gathers every text a person reads from the sources into po/pressling.pot and
# merges it into each catalog of po/LINGUAS (new texts arrive untranslated,
# changed ones fuzzy, texts no longer used dropped), then reports what each
# catalog still lacks; the same for the catalogs of the manual pages in man/po/
# (po4a).
#   scripts/update-po.sh           gather, merge and report
#   scripts/update-po.sh --check   change nothing; fail when a catalog lacks a
#                                  text of the sources or has one untranslated or fuzzy
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
check=false
[ "${1:-}" = "--check" ] && check=true
pot=po/pressling.pot
if $check; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  pot=$scratch/pressling.pot
fi
mapfile -t cpp < <(git ls-files -- '*.cpp' '*.h' ':!tests' ':!bench')
mapfile -t js < <(git ls-files -- 'web/site/*.js')
xgettext --force-po --from-code=UTF-8 --add-comments=TRANSLATORS: --sort-by-file --package-name=pressling \
  --language=C++ --keyword= --keyword=Tr --keyword=TrC:1c,2 --keyword=TrN:1,2 --keyword=Trf --keyword=TrNf:1,2 \
  --keyword=TextId --keyword=Msg --flag=Msg:1:c-format --flag=Trf:1:c-format --flag=TrNf:1:c-format \
  --flag=TrNf:2:c-format -o "$pot" "${cpp[@]}"
if [ ${#js[@]} -gt 0 ]; then
  xgettext --from-code=UTF-8 --add-comments=TRANSLATORS: --sort-by-file --join-existing --language=JavaScript \
    --keyword= --keyword=t --keyword=tf --flag=tf:1:c-format -o "$pot" "${js[@]}"
fi
# The translated keys of the menu entry, which msgfmt --desktop fills in at build time.
xgettext --from-code=UTF-8 --sort-by-file --join-existing --language=Desktop --keyword= --keyword=Name \
  --keyword=GenericName --keyword=Comment --keyword=Keywords -o "$pot" ui/pressling.desktop.in
status=0
for tag in $(grep -E '^[a-z]' po/LINGUAS); do
  if $check; then
    # msgcmp fails for every text of the sources the catalog does not translate, fuzzy ones included.
    msgcmp po/$tag.po "$pot" || status=1
    stats=$(msgfmt --check --statistics -o /dev/null po/$tag.po 2>&1) || status=1
    case $stats in *untranslated*|*fuzzy*) echo "po/$tag.po: $stats" >&2; status=1 ;; esac
  else
    msgmerge --quiet --update --backup=none --no-fuzzy-matching po/$tag.po "$pot"
    msgattrib --no-obsolete -o po/$tag.po po/$tag.po
    printf '%s: ' "$tag"
    msgfmt --check --statistics -o /dev/null po/$tag.po
  fi
done
# The manual pages' catalogs, from the English pages; --check brings a copy up to date.
man=man
if $check; then
  cp -r man "$scratch/man"
  man=$scratch/man
fi
# --force: po4a otherwise trusts timestamps, which a checkout or a merge sets anew.
(cd "$man/.." && po4a --quiet --force --no-translations man/po4a.cfg)
for catalog in "$man"/po/*.po; do
  stats=$(msgfmt --check --statistics -o /dev/null "$catalog" 2>&1) || status=1
  if $check; then
    case $stats in *untranslated*|*fuzzy*) echo "man/po/${catalog##*/}: $stats" >&2; status=1 ;; esac
  else
    echo "$catalog: $stats"
  fi
done
exit $status
