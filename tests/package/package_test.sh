#!/usr/bin/env bash
# Builds the Debian package from the build folder, unpacks it into a temporary
# root (never into the machine) and runs both programs from there.
#   package_test.sh SOURCE-FOLDER BUILD-FOLDER WRITE-TEST-DATABASE
set -euo pipefail
src=$1 build=$2 write_database=$3
work=$(mktemp -d)
window=""
trap '[ -n "$window" ] && kill "$window" 2>/dev/null; rm -rf "$work"' EXIT
fail() {
  echo "package test: $*" >&2
  exit 1
}

deb=$(PRESSLING_BUILD_DIR=$build "$src/scripts/package.sh" "$work/out")
[ "$(basename "$deb")" = "pressling_0.91-1_amd64.deb" ] || fail "unexpected package name $deb"
depends=$(dpkg-deb -f "$deb" Depends)
for want in fonts-ipafont-gothic libqt6widgets6 libstdc++6 libc6; do
  [[ ", $depends," == *", $want "* || ", $depends," == *", $want,"* ]] || fail "Depends lacks $want: $depends"
done
contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for want in usr/bin/pressling usr/bin/pressling-cli usr/share/applications/pressling.desktop \
  usr/share/icons/hicolor/{16x16,32x32,48x48}/apps/pressling.png \
  usr/share/man/man1/pressling.1.gz usr/share/man/man1/pressling-cli.1.gz \
  usr/share/man/ja/man1/pressling.1.gz usr/share/man/ja/man1/pressling-cli.1.gz \
  usr/share/doc/pressling/copyright usr/share/doc/pressling/changelog.Debian.gz \
  usr/share/bash-completion/completions/pressling-cli usr/share/zsh/vendor-completions/_pressling-cli; do
  grep -qxF "./$want" <<<"$contents" || fail "the package lacks /$want"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
bin=$root/usr/bin
[ "$("$bin/pressling-cli" --version)" = "pressling-cli 0.91" ] || fail "pressling-cli --version"
desktop-file-validate "$root/usr/share/applications/pressling.desktop" || fail "desktop entry"
for key in Name GenericName Comment Keywords; do
  for tag in de fr ja; do
    grep -q "^$key\[$tag\]=." "$root/usr/share/applications/pressling.desktop" || fail "the desktop entry lacks $key[$tag]"
  done
done
grep -qxF 'GenericName[ja]=PRC 圧縮ツール' "$root/usr/share/applications/pressling.desktop" ||
  fail "the desktop entry's Japanese GenericName is not the catalog's"

# The Japanese manual pages render without a warning from groff, within the
# width asked for, and in Japanese.
for page in pressling pressling-cli; do
  shown=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$root/usr/share/man/ja/man1/$page.1.gz" 2>"$work/man.err") ||
    fail "man -l cannot render the Japanese $page(1)"
  [ ! -s "$work/man.err" ] || fail "the Japanese $page(1) renders with warnings: $(head -3 "$work/man.err")"
  grep -q '^名前$' <<<"$shown" || fail "the Japanese $page(1) has no section 名前"
  width=$(LC_ALL=C.UTF-8 wc -L <<<"$shown")
  [ "$width" -le 80 ] || fail "the Japanese $page(1) has lines $width columns wide"
done
# A line may break inside a word of Japanese, so the text is read without line ends and indents.
LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$root/usr/share/man/ja/man1/pressling.1.gz" 2>/dev/null | tr -d ' \n' |
  grep -q '徹底圧縮:' || fail "the Japanese pressling(1) does not name the menu entry 徹底圧縮"
# bash-completion loads the file named after the command from its folder.
[ "$(bash --norc --noprofile -c 'source "$1" && complete -p pressling-cli' _ \
  "$root/usr/share/bash-completion/completions/pressling-cli")" = "complete -F _pressling_cli pressling-cli" ] ||
  fail "the bash completion does not complete pressling-cli"

mkdir -p "$work/files" "$work/runs" "$work/home"
mkdir -m 700 "$work/runtime"
"$write_database" "$work/files/Cli.prc"
"$write_database" "$work/files/Window.prc"
TMPDIR=$work/runs "$bin/pressling-cli" "$work/files/Cli.prc" >"$work/cli.out" || fail "pressling-cli failed"
[ -s "$work/files/Cli_comp.prc" ] || fail "pressling-cli wrote no Cli_comp.prc"
grep -q '^圧縮率：' "$work/cli.out" || fail "pressling-cli printed no ratio"

# The window converts the file of its command line once it is shown, then
# stays open; it is ended once the output is there and the run folder gone.
TMPDIR=$work/runs XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen "$bin/pressling" "$work/files/Window.prc" &
window=$!
for _ in $(seq 300); do
  [ -s "$work/files/Window_comp.prc" ] && [ -z "$(ls -A "$work/runs")" ] && break
  kill -0 "$window" 2>/dev/null || fail "the window ended by itself"
  sleep 0.1
done
[ -s "$work/files/Window_comp.prc" ] || fail "the window wrote no Window_comp.prc"
[ -z "$(ls -A "$work/runs")" ] || fail "the window's run folder was left behind"
kill -0 "$window" 2>/dev/null || fail "the window ended by itself"
kill "$window"
wait "$window" || true
window=""
cmp -s "$work/files/Cli_comp.prc" "$work/files/Window_comp.prc" || fail "the window and pressling-cli wrote different outputs"

# File managers see the entry once the desktop database knows it, as dpkg's
# trigger makes it on a real installation, and while its program is on the PATH.
update-desktop-database "$root/usr/share/applications"
type=$(XDG_DATA_DIRS=/usr/share gio info -a standard::content-type "$work/files/Cli.prc" | awk '/content-type:/ { print $2 }')
offered=$(PATH="$bin:$PATH" XDG_DATA_HOME=$work/home XDG_CONFIG_HOME=$work/home \
  XDG_DATA_DIRS="$root/usr/share:/usr/share" gio mime "$type")
awk '/^Recommended applications:/ { in_list = 1; next } /^[^\t]/ { in_list = 0 }
     in_list && $1 == "pressling.desktop" { found = 1 } END { exit !found }' <<<"$offered" ||
  fail "no file manager would recommend pressling for a .prc file ($type): $offered"
echo "package test: $(basename "$deb"), $(stat -c %s "$deb") bytes; Depends: $depends"
