#!/usr/bin/env bash
# Loads the bash completion of pressling-cli into this non-interactive shell and
# checks what it offers, as COMPREPLY, for command lines typed up to a <TAB>.
#   completion_test.sh COMPLETION-SCRIPT PRESSLING-CLI
set -uo pipefail
script=$1 cli=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# shellcheck source=/dev/null
source "$script" || { echo "completion test: cannot load $script" >&2; exit 1; }
[[ $(complete -p pressling-cli) == "complete -F _pressling_cli pressling-cli" ]] ||
  { echo "completion test: pressling-cli has no completion function" >&2; exit 1; }

# Offers for a command line whose last word is the one being completed, one a line, sorted.
offers() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _pressling_cli pressling-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  ((${#COMPREPLY[@]})) && printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort
}

expect() {
  local want=$1 got
  shift
  got=$(offers "$@")
  if [[ $got != "$want" ]]; then
    echo "completion test: '$*<TAB>' offered [${got//$'\n'/, }], not [${want//$'\n'/, }]" >&2
    failures=$((failures + 1))
  fi
}

cd "$work" || exit 1
mkdir -p apps "out dir" empty
touch App.PRC game.prc notes.txt prc -- -draft.prc apps/Deep.Prc apps/readme.md apps/Games.ZIP

# Options, the long ones too; none after "--".
expect "--thorough" pressling-cli --th
# After --device, its targets.
expect $'os4:2' pressling-cli --device os4:2
expect $'os4\nos4:1\nos4:2\nos4:4\nos4:8' pressling-cli --device ""
expect $'--output-dir' pressling-cli -j 2 --out
expect "" pressling-cli -j ""
expect "-draft.prc" pressling-cli --thorough -- -
# After -o, in each of its spellings, only folders.
expect $'apps\nempty\nout dir' pressling-cli -o ""
expect $'out dir' pressling-cli --output-dir ou
expect $'apps\nempty\nout dir' pressling-cli --output-dir = ""
expect $'--output-dir=apps' pressling-cli --output-dir=a
expect $'-oapps' pressling-cli -oa
# Elsewhere folders, .prc files and .zip archives in any letter case; no other file.
expect $'-draft.prc\nApp.PRC\napps\nempty\ngame.prc\nout dir' pressling-cli ""
expect "game.prc" pressling-cli --thorough -o out g
expect $'apps/Deep.Prc\napps/Games.ZIP' pressling-cli apps/

# Every option the help names is offered.
all=$(offers pressling-cli -)
named=$("$cli" --help | grep -oE '^ +(-[a-z], )?--[a-z-]+' | grep -oE -- '-[a-z]\b|--[a-z-]+')
(($(wc -l <<<"$named") >= 7)) || { echo "completion test: too few options in --help: $named" >&2; exit 1; }
while read -r option; do
  grep -qxF -- "$option" <<<"$all" || {
    echo "completion test: --help names $option, which is not offered" >&2
    failures=$((failures + 1))
  }
done <<<"$named"

((failures == 0)) || exit 1
echo "completion test: all offers as expected"
