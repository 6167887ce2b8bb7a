# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright 2026 The Palavine developers
# bash completion for palavine and "palavine list".

_palavine_words() { # _palavine_words WORDS CURRENT: the words that start so
    mapfile -t COMPREPLY < <(compgen -W "$1" -- "$2")
}

_palavine_paths() { # _palavine_paths -d|-f CURRENT: folders, or files and folders
    mapfile -t COMPREPLY < <(compgen "$1" -- "$2")
}

_palavine() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    if [ "${COMP_WORDS[1]}" != list ]; then
        if [[ $cur == -* ]]; then
            _palavine_words '--help --version -style -platform -reverse' "$cur"
        else
            _palavine_paths -d "$cur"
            [ "$COMP_CWORD" -eq 1 ] && [[ list == "$cur"* ]] && COMPREPLY+=(list)
        fi
        return
    fi
    case $prev in
    --folders-from | --settings)
        _palavine_paths -f "$cur"
        return
        ;;
    -o | --output)
        _palavine_paths -d "$cur"
        return
        ;;
    --filter | --remove-containing | --remove-not-containing | --remove-folders-containing | \
        --remove-folders-not-containing | --font | --color | --background)
        COMPREPLY=()
        return
        ;;
    esac
    if [[ $cur == -* ]]; then
        _palavine_words '--no-subfolders --folders-from --null --filter --remove-containing
            --remove-not-containing --remove-folders-containing --remove-folders-not-containing
            --output --open --relative-links --font --color --background --settings
            --no-settings --quiet --help --version' "$cur"
    else
        _palavine_paths -d "$cur"
    fi
}
complete -o filenames -F _palavine palavine
