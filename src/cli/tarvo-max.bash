# bash completion for tarvo-max                                        -*- shell-script -*-
#
# Commands, options, effect names, the running effect's parameters and the words each command
# takes. The lists come from tarvo-max itself (its hidden __complete command), so they are always
# the program's own; the parameters ask the pedal which effect runs, which takes a moment, so
# that question is given a second at most.

# The words tarvo-max lists: __complete WHAT [COMMAND], asked with the options on the line that
# choose the pedal (_tarvo_max's own `pedal`).
_tarvo_max_list() {
    timeout 2 "${COMP_WORDS[0]}" "${pedal[@]}" __complete "$@" 2>/dev/null
}

# Offers the lines on standard input that begin with what is being typed (letter case aside, as
# tarvo-max reads names), each quoted for the shell.
_tarvo_max_offer() {
    local typed=${_tarvo_max_cur//\\/} line
    typed=${typed#[\"\']}
    while IFS= read -r line; do
        [[ -n $line && ${line,,} == "${typed,,}"* ]] && COMPREPLY+=("$(printf '%q' "$line")")
    done
}

# upload takes an effect's name as words one after another: offers the next word of the names
# whose first words are those already typed.
_tarvo_max_next_name_word() {
    local typed=("$@") line i match
    local -a words
    while IFS= read -r line; do
        read -ra words <<<"$line"
        ((${#words[@]} > ${#typed[@]})) || continue
        match=1
        for ((i = 0; i < ${#typed[@]}; i++)); do
            [[ ${words[i],,} == "${typed[i],,}" ]] || { match=0; break; }
        done
        ((match)) && printf '%s\n' "${words[${#typed[@]}]}"
    done | sort -u
}

_tarvo_max() {
    local _tarvo_max_cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    local i word command='' pedal=() operands=()
    COMPREPLY=()
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
        --virtual | --serial=*) pedal+=("$word") ;;
        # Asking for words must never forget the virtual pedal's memory.
        --virtual-reset) pedal+=(--virtual) ;;
        --serial)
            pedal+=("$word" "${COMP_WORDS[i + 1]}")
            ((i++))
            ;;
        --bank | --effect | --ir | --image | -o | --output | --size) ((i++)) ;;
        --) [[ -n $command ]] && operands+=("$word") ;;
        -*) ;;
        *) if [[ -z $command ]]; then command=$word; else operands+=("$word"); fi ;;
        esac
    done

    case $prev in
    -o | --output | --ir | --image)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$_tarvo_max_cur")
        return
        ;;
    --bank)
        mapfile -t COMPREPLY < <(compgen -W "1 2 3" -- "$_tarvo_max_cur")
        return
        ;;
    --size) return ;;
    --effect)
        _tarvo_max_offer < <(_tarvo_max_list effects)
        return
        ;;
    --serial)
        _tarvo_max_offer < <(timeout 2 "${COMP_WORDS[0]}" devices 2>/dev/null | cut -f1)
        return
        ;;
    esac

    if [[ $_tarvo_max_cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$(_tarvo_max_list options "$command")" -- "$_tarvo_max_cur")
        return
    fi
    if [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$(_tarvo_max_list commands)" -- "$_tarvo_max_cur")
        return
    fi

    local n=${#operands[@]} words=''
    case $command in
    upload) _tarvo_max_offer < <(_tarvo_max_list effects | _tarvo_max_next_name_word "${operands[@]}") ;;
    set | reverse)
        if ((n == 0)); then
            _tarvo_max_offer < <(_tarvo_max_list parameters)
        elif [[ $command == reverse && n -eq 1 ]]; then
            words='on off'
        fi
        ;;
    assign)
        if ((n == 0)); then
            _tarvo_max_offer < <(
                printf '%s\n' bypass preset readback
                _tarvo_max_list parameters
            )
        elif ((n == 1)); then
            case ${operands[0],,} in
            bypass | preset) words='FS FL RMT none' ;;
            readback) _tarvo_max_offer < <(_tarvo_max_list readbacks) ;;
            *) words='KI KII KIII KIV KV B1 B2 B3 FS FL RMT EXP none' ;;
            esac
        elif ((n == 2)) && [[ ${operands[0],,} == readback ]]; then
            words='SX DX RED GREEN none'
        fi
        ;;
    midi) ((n == 0)) && words="OMNI $(seq -s ' ' 1 16)" ;;
    mode) ((n == 0)) && words='preset bank' ;;
    memory)
        if ((n == 0)); then words='dump erase'; elif ((n == 1)); then words='50 51'; fi
        ;;
    preset)
        if ((n == 0)); then
            words='save load'
        elif ((n == 1)); then
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$_tarvo_max_cur")
        fi
        ;;
    library)
        if ((n == 0)); then
            words='list save load rename delete'
        elif ((n == 1)) && [[ ${operands[0],,} =~ ^(load|rename|delete|save)$ ]]; then
            _tarvo_max_offer < <(_tarvo_max_list presets)
        fi
        ;;
    backup | restore)
        if ((n == 0)); then
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$_tarvo_max_cur")
        fi
        ;;
    ir)
        if ((n == 0)); then
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$_tarvo_max_cur")
        fi
        ;;
    coeff) ((n == 0)) && _tarvo_max_offer < <(_tarvo_max_list notes) ;;
    flash) ((n == 0)) && _tarvo_max_offer < <(_tarvo_max_list firmware) ;;
    firmware) ((n == 0)) && words='read' ;;
    bootloader) ((n == 0)) && words='info' ;;
    esac
    if [[ -n $words ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$words" -- "$_tarvo_max_cur")
    fi
    return 0
}

complete -F _tarvo_max tarvo-max
