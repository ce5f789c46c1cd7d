# bash completion for quillexctl
_quillexctl()
{
    local cur prev words cword
    _init_completion || return

    local commands="list show set profile macro export import reset pair update"
    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            -*) ;;
            *) command=${words[i]}; break ;;
        esac
    done

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands --json --help --version" -- "$cur"))
        return
    fi

    case $prev in
        --from) _filedir json; return ;;
        --folder) _filedir -d; return ;;
        --speed) COMPREPLY=($(compgen -W "1 2 3 4 5" -- "$cur")); return ;;
        --brightness) COMPREPLY=($(compgen -W "20 40 60 80 100" -- "$cur")); return ;;
        --slot) COMPREPLY=($(compgen -W "1 2 3 4 5 6 7 cycle" -- "$cur")); return ;;
    esac

    local settings="dpi level rate lighting button sensor power lod sleep debounce"
    local actions="left-key right-key middle-key forward forback dpi-plus dpi-minus dpi-loop
        report-rate web-browser play-pause mute prev-track next-track stop media-player volume-up
        volume-down calculator fire-key sniper-key keys: macro:"
    local position=$((cword - i))
    case $command in
        show) [[ $position == 1 ]] && COMPREPLY=($(compgen -W "mouse receiver" -- "$cur")) ;;
        export) _filedir json ;;
        import) [[ $cur == -* ]] && COMPREPLY=($(compgen -W "--yes" -- "$cur")) || _filedir json ;;
        reset) COMPREPLY=($(compgen -W "--yes" -- "$cur")) ;;
        macro) [[ $position == 2 ]] && COMPREPLY=($(compgen -W "--from" -- "$cur")) ;;
        update) COMPREPLY=($(compgen -W "--folder" -- "$cur")) ;;
        set)
            local setting=${words[i + 1]}
            if [[ $position == 1 ]]; then
                COMPREPLY=($(compgen -W "$settings" -- "$cur"))
                return
            fi
            case $setting in
                rate) COMPREPLY=($(compgen -W "125 250 500 1000 2000 4000 8000" -- "$cur")) ;;
                lighting)
                    if [[ $position == 2 ]]; then
                        COMPREPLY=($(compgen -W "off static breath neon click-on wave" -- "$cur"))
                    else
                        COMPREPLY=($(compgen -W "--speed --brightness --slot --color" -- "$cur"))
                    fi ;;
                button) [[ $position == 3 ]] && COMPREPLY=($(compgen -W "$actions" -- "$cur")) ;;
                sensor)
                    if [[ $position == 2 ]]; then
                        COMPREPLY=($(compgen -W "turbo power-saving motion-sync ripple-control angle-snapping" -- "$cur"))
                    elif [[ $position == 3 && ${words[i + 2]} != turbo && ${words[i + 2]} != power-saving ]]; then
                        COMPREPLY=($(compgen -W "on off" -- "$cur"))
                    fi ;;
                power) COMPREPLY=($(compgen -W "turbo power-saving" -- "$cur")) ;;
                lod) COMPREPLY=($(compgen -W "1 2" -- "$cur")) ;;
                sleep) COMPREPLY=($(compgen -W "10 30 60 180 300 600 900 1800" -- "$cur")) ;;
            esac ;;
    esac
} &&
    complete -F _quillexctl quillexctl
