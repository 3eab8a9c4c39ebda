#!/usr/bin/env bash
# Gathers every text a person reads from the sources into po/pressling.pot and
# merges it into each catalog of po/LINGUAS (new texts arrive untranslated,
# changed ones fuzzy), then reports what each catalog still lacks; the same
# for the catalogs of the manual pages in man/po/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mapfile -t cpp < <(git ls-files -- '*.cpp' '*.h' ':!tests' ':!bench')
mapfile -t js < <(git ls-files -- 'web/site/*.js')
xgettext --force-po --from-code=UTF-8 --add-comments=TRANSLATORS: --sort-by-file --package-name=pressling \
  --language=C++ --keyword= --keyword=Tr --keyword=TrC:1c,2 --keyword=TrN:1,2 --keyword=Trf --keyword=TrNf:1,2 \
  --keyword=TextId --flag=Trf:1:c-format --flag=TrNf:1:c-format --flag=TrNf:2:c-format \
  -o po/pressling.pot "${cpp[@]}"
if [ ${#js[@]} -gt 0 ]; then
  xgettext --from-code=UTF-8 --add-comments=TRANSLATORS: --sort-by-file --join-existing --language=JavaScript \
    --keyword= --keyword=t --keyword=tf --flag=tf:1:c-format -o po/pressling.pot "${js[@]}"
fi
# The translated keys of the menu entry, which msgfmt --desktop fills in at build time.
xgettext --from-code=UTF-8 --sort-by-file --join-existing --language=Desktop --keyword= --keyword=Name \
  --keyword=GenericName --keyword=Comment --keyword=Keywords -o po/pressling.pot ui/pressling.desktop.in
for tag in $(grep -E '^[a-z]' po/LINGUAS); do
  msgmerge --quiet --update --backup=none --no-fuzzy-matching po/$tag.po po/pressling.pot
  printf '%s: ' "$tag"
  msgfmt --check --statistics -o /dev/null po/$tag.po
done
# The manual pages' catalogs in man/po/, from the English pages (po4a).
po4a --quiet --no-translations man/po4a.cfg
for catalog in man/po/*.po; do
  printf '%s: ' "$catalog"
  msgfmt --check --statistics -o /dev/null "$catalog"
done
