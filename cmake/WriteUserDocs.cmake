# Writes korvo's manual page and its bash completion from the built korvo's own
# help texts, so that neither can drift from the program:
#
#   cmake -DKORVO=korvo -DMODULE=KorvoEQ.so -DVERSION=x.y.z -DCHANGELOG=CHANGELOG.md
#         -DMAN=korvo.1 -DCOMPLETION=korvo.bash-completion -DGZIP=gzip -P WriteUserDocs.cmake
#
# `korvo --help` gives the synopsis, the description, the global options and
# the commands; `korvo COMMAND --help` gives each command's synopsis, text and
# options; `korvo info` the parameter names --set takes. MAN.gz is MAN
# compressed reproducibly (no name, no time stamp); the page's date is the
# version's date in CHANGELOG.
#
# A help text is read as korvo prints it: "usage: " lines (a line of seven
# spaces and "korvo" starts another form, a deeper one continues the form),
# then paragraphs, "heading:" lines, and list entries: two spaces, the term
# (words one space apart), two or more spaces, the description, continued on
# lines indented deeper.
cmake_minimum_required(VERSION 3.20)

foreach(required KORVO MODULE VERSION CHANGELOG MAN COMPLETION GZIP)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "WriteUserDocs.cmake needs -D${required}=...")
    endif()
endforeach()

# List separators and brackets in the texts are carried as control characters,
# so that CMake's lists keep every line whole, and so are the font changes
# korvo_mark makes; they come back on output.
string(ASCII 1 SEMI)
string(ASCII 2 OPEN)
string(ASCII 3 CLOSE)
string(ASCII 4 BOLD)
string(ASCII 5 ITALIC)
string(ASCII 6 ROMAN)

function(korvo_run out)
    execute_process(COMMAND ${KORVO} ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "korvo ${ARGN} failed (${status})")
    endif()
    string(REPLACE ";" "${SEMI}" text "${text}")
    string(REPLACE "[" "${OPEN}" text "${text}")
    string(REPLACE "]" "${CLOSE}" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Parses the help text of `korvo ARGN --help` into variables PREFIX_*:
#   _forms    the usage forms, one line each;
#   _blocks   ids in order, p<N> a paragraph (PREFIX_<id> its text) and e<N> a
#             list entry (PREFIX_<id>_term, _desc, _head: its heading or "");
#   _options  the options of the forms and of the entries' terms, in order.
function(korvo_parse_help prefix)
    korvo_run(text ${ARGN} --help)
    string(REGEX REPLACE "\n$" "" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    set(forms)
    set(form)
    set(blocks)
    set(options)
    set(in_usage TRUE)
    set(open)        # the id of the paragraph or entry being read
    set(head)
    set(n 0)
    foreach(line IN LISTS lines)
        if(in_usage)
            if(line STREQUAL "")
                list(APPEND forms "${form}")
                set(in_usage FALSE)
            elseif(line MATCHES "^usage: (.*)$")
                set(form "${CMAKE_MATCH_1}")
            elseif(line MATCHES "^       (korvo .*)$")
                list(APPEND forms "${form}")
                set(form "${CMAKE_MATCH_1}")
            else()
                string(STRIP "${line}" line)
                string(APPEND form " ${line}")
            endif()
        elseif(line STREQUAL "")
            set(open)
            set(head)
        elseif(line MATCHES "^([a-z][a-z ]*):$")
            set(open)
            set(head "${CMAKE_MATCH_1}")
        elseif(line MATCHES "^  ([^ ]+( [^ ]+)*)  +(.*)$")
            math(EXPR n "${n} + 1")
            set(open e${n})
            list(APPEND blocks ${open})
            set(term_${open} "${CMAKE_MATCH_1}")
            set(desc_${open} "${CMAKE_MATCH_3}")
            set(${prefix}_${open}_head "${head}" PARENT_SCOPE)
        elseif(open MATCHES "^e" AND line MATCHES "^   +(.*)$")
            string(APPEND desc_${open} " ${CMAKE_MATCH_1}")
        elseif(open MATCHES "^p")
            string(APPEND text_${open} " ${line}")
        else()
            math(EXPR n "${n} + 1")
            set(open p${n})
            list(APPEND blocks ${open})
            set(text_${open} "${line}")
        endif()
    endforeach()
    if(in_usage)
        list(APPEND forms "${form}")
    endif()
    set(sources ${forms})
    foreach(block IN LISTS blocks)
        if(block MATCHES "^e")
            set(${prefix}_${block}_term "${term_${block}}" PARENT_SCOPE)
            set(${prefix}_${block}_desc "${desc_${block}}" PARENT_SCOPE)
            if(term_${block} MATCHES "^-")
                list(APPEND sources "${term_${block}}")
            endif()
        else()
            set(${prefix}_${block} "${text_${block}}" PARENT_SCOPE)
        endif()
    endforeach()
    foreach(source IN LISTS sources)
        string(REGEX MATCHALL "(^|[ ${OPEN}|(])--?[a-z][a-z0-9-]*" found "${source}")
        foreach(option IN LISTS found)
            string(REGEX REPLACE "^[^-]" "" option "${option}")
            list(APPEND options ${option})
        endforeach()
    endforeach()
    list(REMOVE_DUPLICATES options)
    set(${prefix}_forms "${forms}" PARENT_SCOPE)
    set(${prefix}_blocks "${blocks}" PARENT_SCOPE)
    set(${prefix}_options "${options}" PARENT_SCOPE)
endfunction()

# Text for troff: backslashes and hyphens escaped, `code` in bold, the marks of
# korvo_mark as font changes, a leading control character made plain.
function(korvo_troff out text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "`([^`]*)`" "\\\\fB\\1\\\\fR" text "${text}")
    string(REPLACE "${BOLD}" "\\fB" text "${text}")
    string(REPLACE "${ITALIC}" "\\fI" text "${text}")
    string(REPLACE "${ROMAN}" "\\fR" text "${text}")
    string(REPLACE "${SEMI}" ";" text "${text}")
    string(REPLACE "${OPEN}" "[" text "${text}")
    string(REPLACE "${CLOSE}" "]" text "${text}")
    if(text MATCHES "^[.']")
        set(text "\\&${text}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Marks a synopsis or an option's term: korvo and its command words bold,
# options bold, placeholders (FILE, OUT.png) italic.
function(korvo_mark out text)
    string(REGEX REPLACE "^(korvo( [a-z|]+)*)" "${BOLD}\\1${ROMAN}" text "${text}")
    string(REGEX REPLACE "(^|[ ${OPEN}|(])(--?[a-z][a-z0-9-]*)" "\\1${BOLD}\\2${ROMAN}" text "${text}")
    string(REGEX REPLACE "(^|[ ${OPEN}=|])([A-Z][A-Z]*(\\.[a-z]+)?)" "\\1${ITALIC}\\2${ROMAN}" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The forms of a usage, one line each.
function(korvo_man_forms out prefix)
    set(page)
    set(separator)
    foreach(form IN LISTS ${prefix}_forms)
        korvo_mark(form "${form}")
        korvo_troff(form "${form}")
        string(APPEND page "${separator}${form}\n")
        set(separator ".br\n")
    endforeach()
    set(${out} "${page}" PARENT_SCOPE)
endfunction()

# The paragraphs and entries of a help text; entries under `heading` only when
# it is given (else those under no heading).
function(korvo_man_blocks out prefix heading)
    set(page)
    foreach(block IN LISTS ${prefix}_blocks)
        if(block MATCHES "^p" AND heading STREQUAL "")
            korvo_troff(text "${${prefix}_${block}}")
            string(APPEND page ".PP\n${text}\n")
        elseif(block MATCHES "^e" AND "${${prefix}_${block}_head}" STREQUAL "${heading}")
            korvo_mark(term "${${prefix}_${block}_term}")
            korvo_troff(term "${term}")
            korvo_troff(desc "${${prefix}_${block}_desc}")
            string(APPEND page ".TP\n${term}\n${desc}\n")
        endif()
    endforeach()
    set(${out} "${page}" PARENT_SCOPE)
endfunction()

korvo_parse_help(top)
set(commands)
set(headings)
foreach(block IN LISTS top_blocks)
    if(block MATCHES "^e")
        if(top_${block}_head STREQUAL "commands")
            string(REGEX REPLACE " .*" "" command "${top_${block}_term}")
            list(APPEND commands ${command})
        elseif(NOT top_${block}_head STREQUAL "")
            list(APPEND headings "${top_${block}_head}")
        endif()
    endif()
endforeach()
if(NOT commands)
    message(FATAL_ERROR "korvo --help lists no commands")
endif()
list(REMOVE_DUPLICATES headings)
foreach(command IN LISTS commands)
    korvo_parse_help(${command} ${command})
endforeach()

# The parameter names, and each one's range, from korvo info's table.
korvo_run(info --module ${MODULE} info)
string(REPLACE "\n" ";" info "${info}")
set(parameters)
foreach(line IN LISTS info)
    if(line MATCHES "^ +[0-9]+ +([A-Za-z][^ ]*) .* ([-+0-9.]+ to [-+0-9.]+( [A-Za-z]+)?)$")
        list(APPEND parameters ${CMAKE_MATCH_1})
        set(range_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
    endif()
endforeach()
if(NOT parameters)
    message(FATAL_ERROR "korvo info lists no parameters")
endif()

# The manual page.
file(READ ${CHANGELOG} changelog)
string(REPLACE "." "\\." version_pattern "${VERSION}")
set(date "")
if(changelog MATCHES "\n## \\[${version_pattern}\\] - ([0-9-]+)")
    set(date "${CMAKE_MATCH_1}")
endif()
korvo_man_forms(synopsis top)
korvo_man_blocks(description top "")
set(page ".\\\" korvo's manual page, written from its help texts by cmake/WriteUserDocs.cmake.
.TH KORVO 1 \"${date}\" \"Korvo\\-EQ ${VERSION}\" \"User Commands\"
.\\\" Options and file names are neither hyphenated nor stretched.
.nh
.ad l
.SH NAME
korvo \\- command\\-line host for the Korvo\\-EQ equaliser plug\\-in
.SH SYNOPSIS
${synopsis}.SH DESCRIPTION
${description}")
foreach(heading IN LISTS headings)
    string(TOUPPER "${heading}" title)
    korvo_man_blocks(entries top "${heading}")
    string(APPEND page ".SH ${title}\n${entries}")
endforeach()
string(APPEND page ".SH COMMANDS\n")
foreach(command IN LISTS commands)
    korvo_man_forms(forms ${command})
    korvo_man_blocks(text ${command} "")
    string(APPEND page ".SS ${command}\n${forms}${text}")
endforeach()
string(APPEND page ".SH PARAMETERS
The names \\fB\\-\\-set\\fR takes, each with its range in its unit, as \\fBkorvo info\\fR lists them:
.sp
.PD 0
")
foreach(name IN LISTS parameters)
    korvo_troff(range "${range_${name}}")
    korvo_troff(name_text "${name}")
    string(APPEND page ".TP 10n\n\\fB${name_text}\\fR\n${range}\n")
endforeach()
string(APPEND page [=[
.PD
.SH EXAMPLES
Boost 1 kHz by 6 dB, and cut the lows:
.PP
.RS
.nf
korvo render in.wav out.wav \e
    \-\-set A\-Freq=1kHz \-\-set A\-Gain=+6dB \-\-set A\-Q=0.7 \e
    \-\-set LS\-Gain=\-3dB
.fi
.RE
.PP
Save the settings as a program, then render every file of a folder with it,
as 16\-bit FLAC, two at a time:
.PP
.RS
.nf
korvo preset save bright.fxp \-\-set HS\-Gain=+3dB \-\-name Bright
korvo render music \-o bright \-\-preset bright.fxp \e
    \-\-format flac \-\-bits 16 \-j 2
.fi
.RE
.PP
Plot the response, and picture the editor at 200 %:
.PP
.RS
.nf
korvo response \-\-preset bright.fxp \-o response.svg
korvo snapshot editor.png \-\-scale 2 \-\-preset bright.fxp
.fi
.RE
.SH REPORTING BUGS
Open an issue in the Korvo\-EQ project's tracker with the output of
\fBkorvo \-\-version\fR, the host and its version, your system, and the steps
that show the fault.
]=])
file(WRITE ${MAN} "${page}")
execute_process(COMMAND ${GZIP} -9n -c ${MAN} OUTPUT_FILE ${MAN}.gz RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${MAN}")
endif()

# The bash completion. For each command: its options, which of them take a
# value and what completes that value (files where the help's placeholder names
# a file, folders for DIR, the words of "a|b" or of a description that begins
# "a, b or c:", the parameter names for NAME=VALUE, else nothing), and its
# words (save|load|show) and file arguments.
function(korvo_value_kind out placeholder desc)
    if(placeholder MATCHES "NAME=VALUE")
        set(kind "_korvo_words \"$3\" nospace ${parameter_words}")
    elseif(placeholder MATCHES "DIR")
        set(kind "_korvo_dirs \"$3\"")
    elseif(placeholder MATCHES "FILE|MODULE|PATH|^IN|^OUT")
        set(kind "_korvo_files \"$3\"")
    elseif(placeholder MATCHES "\\|")
        string(REPLACE "|" " " words "${placeholder}")
        set(kind "_korvo_words \"$3\" space ${words}")
    elseif(desc MATCHES "^([a-z0-9]+(, [a-z0-9]+)* or [a-z0-9]+):")
        string(REGEX REPLACE ",? or |, " " " words "${CMAKE_MATCH_1}")
        set(kind "_korvo_words \"$3\" space ${words}")
    else()
        set(kind ":")
    endif()
    set(${out} "${kind}" PARENT_SCOPE)
endfunction()

set(parameter_words)
foreach(name IN LISTS parameters)
    string(APPEND parameter_words " ${name}=")
endforeach()
string(STRIP "${parameter_words}" parameter_words)

# The options that take a value, as "command option" cases; `*` for the global ones.
set(value_cases)
set(valued_all)
foreach(prefix IN ITEMS top ${commands})
    if(prefix STREQUAL "top")
        set(pattern "*\" ")
    else()
        set(pattern "\"${prefix} ")
    endif()
    # Each option with a value: its placeholder and description from its
    # entry, or from the usage forms alone (demo's --out DIR).
    set(seen)
    foreach(block IN LISTS ${prefix}_blocks)
        if(block MATCHES "^e" AND "${${prefix}_${block}_term}" MATCHES "^(--?[a-z][a-z0-9-]*) ([^ ]+)$")
            list(APPEND seen ${CMAKE_MATCH_1})
            set(placeholder_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
            set(desc_${CMAKE_MATCH_1} "${${prefix}_${block}_desc}")
        endif()
    endforeach()
    foreach(form IN LISTS ${prefix}_forms)
        string(REGEX MATCHALL "${OPEN}--?[a-z][a-z0-9-]* [A-Z][^${CLOSE} ]*${CLOSE}" found "${form}")
        foreach(pair IN LISTS found)
            string(REGEX MATCH "^${OPEN}([^ ]+) ([^${CLOSE}]+)${CLOSE}$" pair "${pair}")
            if(NOT CMAKE_MATCH_1 IN_LIST seen)
                list(APPEND seen ${CMAKE_MATCH_1})
                set(placeholder_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
                set(desc_${CMAKE_MATCH_1} "")
            endif()
        endforeach()
    endforeach()
    foreach(option IN LISTS seen)
        korvo_value_kind(kind "${placeholder_${option}}" "${desc_${option}}")
        string(APPEND value_cases "        ${pattern}${option}\") ${kind} ;;\n")
    endforeach()
    list(APPEND valued_all ${seen})
endforeach()
list(REMOVE_DUPLICATES valued_all)
string(REPLACE ";" "|" valued_pattern "${valued_all}")

# Each command's options, its words and whether it takes files.
string(REPLACE ";" " " global_options "${top_options}")
set(option_cases)
set(argument_cases)
foreach(command IN LISTS commands)
    string(REPLACE ";" " " options "${${command}_options}")
    string(APPEND option_cases "        ${command}) options=\"${options}\" ;;\n")
    set(words)
    set(files FALSE)
    foreach(form IN LISTS ${command}_forms)
        string(REGEX REPLACE "${OPEN}-[^${CLOSE}]*${CLOSE}" "" bare "${form}")
        string(REGEX REPLACE " --?[a-z][a-z0-9-]* [A-Z][^ ]*" "" bare "${bare}")
        if(bare MATCHES "^korvo ${command} ([a-z|]+)( |$)")
            string(REPLACE "|" ";" action "${CMAKE_MATCH_1}")
            list(APPEND words ${action})
        endif()
        if(bare MATCHES " ${OPEN}?[A-Z]")
            set(files TRUE)
        endif()
    endforeach()
    list(REMOVE_DUPLICATES words)
    string(REPLACE ";" " " words "${words}")
    string(APPEND argument_cases "        ${command}) actions=\"${words}\" files=${files} ;;\n")
endforeach()
string(REPLACE ";" " " command_words "${commands}")

file(WRITE ${COMPLETION} "# bash completion for korvo ${VERSION}, written from its help texts by
# cmake/WriteUserDocs.cmake.

_korvo_words()
{
    local current=$1 space=$2
    shift 2
    COMPREPLY=($(compgen -W \"$*\" -- \"$current\"))
    [[ $space == nospace ]] && compopt -o nospace 2>/dev/null
    return 0
}

_korvo_files()
{
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- \"$1\"))
}

_korvo_dirs()
{
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -d -- \"$1\"))
}

# What completes the value of option $2 of command $1 (\"\" before a command),
# the value so far being $3; false for an option that takes none.
_korvo_value()
{
    case \"$1 $2\" in
${value_cases}        *) return 1 ;;
    esac
}

_korvo()
{
    # Words as the command line splits them, not at the = of NAME=VALUE.
    local line=\${COMP_LINE:0:COMP_POINT} words
    read -ra words <<<\"$line\"
    [[ -z $line || $line == *[[:space:]] ]] && words+=(\"\")
    local current=\${words[-1]} count=$((\${#words[@]} - 1))
    local command= arguments=0 i word
    for ((i = 1; i < count; i++)); do
        word=\${words[i]}
        case $word in
            ${valued_pattern}) ((i++)) ;;
            -*) ;;
            *) if [[ -z $command ]]; then command=$word; else ((arguments++)); fi ;;
        esac
    done
    COMPREPLY=()
    if ((count > 1)) && _korvo_value \"$command\" \"\${words[count - 1]}\" \"$current\"; then
        return 0
    fi
    if [[ $current == -*=* ]] && _korvo_value \"$command\" \"\${current%%=*}\" \"\${current#*=}\"; then
        return 0
    fi
    local options=
    if [[ $current == -* ]]; then
        case $command in
${option_cases}        esac
        COMPREPLY=($(compgen -W \"${global_options} $options\" -- \"$current\"))
        return 0
    fi
    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W \"${command_words}\" -- \"$current\"))
        return 0
    fi
    local actions= files=FALSE
    case $command in
${argument_cases}    esac
    if [[ -n $actions && $arguments == 0 ]]; then
        COMPREPLY=($(compgen -W \"$actions\" -- \"$current\"))
    elif [[ $files == TRUE ]]; then
        _korvo_files \"$current\"
    fi
    return 0
}
complete -F _korvo korvo
")
