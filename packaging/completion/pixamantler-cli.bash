# bash completion for pixamantler-cli                           -*- shell-script -*-
# Commands, options, the .pff files of info and unwrap, and the owner names of --owner and hint.
# Owner names come from the tool itself (`pixamantler-cli owners`), with the --data-dir of the
# line being completed, so this file knows nothing of the owner store.

# The owners of the data folder $2 (the tool's default when empty), asked of the tool $1.
_pixamantler_cli_owners()
{
    local -a data=()
    [[ -n $2 ]] && data=(--data-dir "$2")
    "$1" "${data[@]}" owners 2>/dev/null
}

_pixamantler_cli()
{
    local cur prev words cword split
    _init_completion -s || return

    local valued='--data-dir|--hint|--owner|--caption|--type|--output|--output-dir|--owner-password-file|--viewer-password-file'
    local command="" data_dir="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --data-dir) data_dir=${words[i + 1]} ;;
            --data-dir=*) data_dir=${words[i]#--data-dir=} ;;
        esac
        if [[ ${words[i]} == @($valued) ]]; then
            ((i++))
        elif [[ -z $command && ${words[i]} != -* ]]; then
            command=${words[i]}
        fi
    done
    [[ $data_dir == \~/* ]] && data_dir=$HOME/${data_dir#\~/}

    case $prev in
        --data-dir | --output-dir)
            _filedir -d
            return
            ;;
        --output | --owner-password-file | --viewer-password-file)
            _filedir
            return
            ;;
        --type)
            COMPREPLY=($(compgen -W '.BMP .JPG' -- "$cur"))
            return
            ;;
        --hint | --caption)
            return
            ;;
        --owner)
            command=owner-name
            ;;
    esac
    # A value given after "=" to an option that takes none.
    $split && [[ $command != owner-name ]] && return

    if [[ $command != owner-name && $cur == -* ]]; then
        local options
        case $command in
            "") options='--data-dir --help --version' ;;
            register) options='--hint --owner-password-file --viewer-password-file' ;;
            wrap) options='--owner --caption --type --output --output-dir --owner-password-file' ;;
            unwrap) options='--output --viewer-password-file' ;;
            info) options='--json' ;;
            list) options='--recursive --json' ;;
        esac
        [[ -n $command ]] && options+=' --data-dir --help'
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    case $command in
        "")
            COMPREPLY=($(compgen -W 'register owners hint wrap unwrap info list' -- "$cur"))
            ;;
        owner-name | hint)
            # Names may hold spaces: each is offered quoted, as one word.
            local tool=${words[0]} typed=${cur#[\"\']} name
            typed=${typed//\\/}
            [[ -x $tool ]] || tool=pixamantler-cli
            COMPREPLY=()
            while IFS= read -r name; do
                [[ -n $name && $name == "$typed"* ]] && COMPREPLY+=("$(printf '%q' "$name")")
            done < <(_pixamantler_cli_owners "$tool" "$data_dir")
            ;;
        info | unwrap)
            _filedir pff
            ;;
        wrap)
            # A picture is told by its content, whatever its name.
            _filedir
            ;;
        list)
            _filedir -d
            ;;
    esac
} &&
    complete -F _pixamantler_cli pixamantler-cli

# ex: filetype=sh
