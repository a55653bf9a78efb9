# Bash completion for sonvale-cli: commands, options, factory keys, files, and for tag and untag the
# MIDI port names that "sonvale-cli ports" lists. Installed as
# share/bash-completion/completions/sonvale-cli; needs nothing but bash.

# The words of the line with the pieces that bash splits at ":" joined again: a port name is one word.
# Sets _sv_words, _sv_cword and _sv_cur.
_sonvale_cli_words()
{
    _sv_words=()
    _sv_cword=0
    local i w
    for ((i = 0; i < ${#COMP_WORDS[@]}; i++)); do
        w=${COMP_WORDS[i]}
        if ((i > 0 && ${#_sv_words[@]} > 0)) && [[ $w == :* || ${COMP_WORDS[i - 1]} == *: ]]; then
            _sv_words[-1]+=$w
        else
            _sv_words+=("$w")
        fi
        if ((i == COMP_CWORD)); then _sv_cword=$((${#_sv_words[@]} - 1)); fi
    done
    _sv_cur=${_sv_words[_sv_cword]}
}

# Port names of one direction (input or output) that start with what is typed, quoted for the shell
# and cut after the last ":" typed, since bash replaces only the part after it.
_sonvale_cli_ports()
{
    local direction=$1 typed=$2 name quoted prefix=""
    local raw=${typed//\\/}
    raw=${raw#[\'\"]}
    [[ $typed == *:* ]] && prefix=${typed%"${typed##*:}"}
    local IFS=$'\n'
    for name in $(sonvale-cli ports 2>/dev/null | sed -n "s/^  $direction  *//p"); do
        [[ $name == "$raw"* ]] || continue
        printf -v quoted '%q' "$name"
        COMPREPLY+=("${quoted#"$prefix"}")
    done
}

_sonvale_cli()
{
    local _sv_words _sv_cword _sv_cur
    _sonvale_cli_words
    local cur=$_sv_cur prev=""
    ((_sv_cword > 0)) && prev=${_sv_words[_sv_cword - 1]}
    COMPREPLY=()

    case $prev in
        --lang) COMPREPLY=($(compgen -W "en ja" -- "$cur")); return ;;
        --type) COMPREPLY=($(compgen -W "Tarn" -- "$cur")); return ;;
        --id | --console) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--lang --json --verbose --help --version --type --id --console --keep --pattern --" -- "$cur"))
        return
    fi

    # The command and how many operands stand before the word being completed.
    local command="" operand=0 i
    for ((i = 1; i < _sv_cword; i++)); do
        case ${_sv_words[i]} in
            --lang | --type | --id | --console) ((i++)) ;;
            -*) ;;
            *) if [[ -z $command ]]; then command=${_sv_words[i]}; else ((operand++)); fi ;;
        esac
    done

    case $command:$operand in
        :0) COMPREPLY=($(compgen -W "list show export export-all devices current update ports find tag untag check send help" -- "$cur")) ;;
        show:0 | export:0 | update:0) COMPREPLY=($(compgen -W "$(echo {0..58})" -- "$cur")) ;;
        export:1 | check:0 | send:0) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- "$cur")) ;;
        export-all:0) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- "$cur")) ;;
        tag:0 | untag:0) _sonvale_cli_ports input "$cur" ;;
        tag:1 | untag:1) _sonvale_cli_ports output "$cur" ;;
    esac
}
complete -F _sonvale_cli sonvale-cli
