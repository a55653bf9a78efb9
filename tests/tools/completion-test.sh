#!/usr/bin/env bash
# The bash completion of sonvale-cli, with a stand-in sonvale-cli that lists two bridged ports.
# Usage: completion-test.sh COMPLETION_FILE
set -uo pipefail
stub=$(mktemp -d)
trap 'rm -rf "$stub"' EXIT
cat > "$stub/sonvale-cli" <<'STUB'
#!/bin/sh
printf 'Rules file: x (0 rules)\nClient a2j\n'
printf '  input   a2j:Console [20] (playback): Console MIDI 1\n      tags: none\n'
printf '  output  a2j:Console [20] (capture): Console MIDI 1\n      tags: none\n'
STUB
chmod +x "$stub/sonvale-cli"
PATH="$stub:$PATH"
source "$1"

failed=0
# expect "WORD|WORD|" COMP_WORDS...: the replies for the last word
expect() {
    local want=$1; shift
    COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMPREPLY=()
    _sonvale_cli
    local got="" reply
    for reply in "${COMPREPLY[@]}"; do got+="$reply|"; done
    if [[ $got != "$want" ]]; then
        echo "FAIL: ${COMP_WORDS[*]}: got '$got', want '$want'"; failed=1
    fi
}
expect 'current|check|' sonvale-cli c
expect 'find|' sonvale-cli f
expect '5|50|51|52|53|54|55|56|57|58|' sonvale-cli update 5
expect 'en|ja|' sonvale-cli --lang ''
expect '--keep|' sonvale-cli tag --ke
expect '--verbose|--version|' sonvale-cli current --ver
expect 'a2j:Console\ \[20\]\ \(playback\):\ Console\ MIDI\ 1|' sonvale-cli tag ''
expect 'Console\ \[20\]\ \(capture\):\ Console\ MIDI\ 1|' sonvale-cli untag x a2j : Con
expect '' sonvale-cli tag --type Tarn x y ''
exit $failed
