#!/usr/bin/env bash
# Writes what the given Linux binaries need to run, for the release read-me:
# the Debian package holding each shared library they load (their NEEDED
# entries, looked up among the installed files of MULTIARCH, e.g.
# x86_64-linux-gnu), and the newest glibc and libstdc++ symbol versions they
# call, with the first Debian and Ubuntu releases that have both.
#   linux-requirements.sh MULTIARCH BINARY...
set -euo pipefail
multiarch="$1"
shift

fail() { echo "linux-requirements: $*" >&2; exit 1; }

# Each release: its glibc and the newest GLIBCXX version of its libstdc++6.
releases=(
    "Debian 10:2.28:3.4.25" "Debian 11:2.31:3.4.28" "Debian 12:2.36:3.4.30" "Debian 13:2.41:3.4.33"
    "Ubuntu 18.04:2.27:3.4.25" "Ubuntu 20.04:2.31:3.4.28" "Ubuntu 22.04:2.35:3.4.30" "Ubuntu 24.04:2.39:3.4.33"
)

# at_least A B: version A is B or later.
at_least() { [ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | head -1)" = "$2" ]; }

# The newest version named PREFIX_x.y among those BINARY requires.
#   newest PREFIX BINARY
newest() {
    objdump -p "$2" | awk -v prefix="$1_" '
        /^Version References:/ { refs = 1; next }
        refs && index($4, prefix) == 1 && substr($4, length(prefix) + 1) ~ /^[0-9.]+$/ {
            print substr($4, length(prefix) + 1)
        }' | sort -V | tail -1
}

# What BINARY needs of the C and C++ libraries, and the first releases with it.
needs() {
    local glibc glibcxx runs_on="" distribution release name release_glibc release_glibcxx
    glibc=$(newest GLIBC "$1")
    glibcxx=$(newest GLIBCXX "$1")
    [ -n "$glibc" ] || fail "$1 requires no GLIBC version"
    for distribution in Debian Ubuntu; do
        for release in "${releases[@]}"; do
            IFS=: read -r name release_glibc release_glibcxx <<<"$release"
            [ "${name%% *}" = "$distribution" ] || continue
            if at_least "$release_glibc" "$glibc" && { [ -z "$glibcxx" ] || at_least "$release_glibcxx" "$glibcxx"; }; then
                runs_on+="${name/ /$'\x1f'}, "  # a release's name is never broken across lines
                break
            fi
        done
    done
    echo -n "${1##*/} needs glibc $glibc or later${glibcxx:+ and a libstdc++6 with GLIBCXX_$glibcxx}"
    echo -n "${runs_on:+ (${runs_on%, } or a later release of either)}"
}

binaries=("$@")
declare -A sonames users
for binary in "${binaries[@]}"; do
    for soname in $(objdump -p "$binary" | awk '$1 == "NEEDED" {print $2}'); do
        owners=$(dpkg -S "*/$multiarch/$soname" 2>/dev/null | awk -F: '{print $1}' | sort -u) ||
            fail "no installed package holds $multiarch/$soname"
        [ "$(wc -l <<<"$owners")" = 1 ] || fail "$soname is in several packages: ${owners//$'\n'/ }"
        case " ${sonames[$owners]:-} " in *" $soname "*) ;; *) sonames[$owners]+=" $soname" ;; esac
        case " ${users[$owners]:-} " in *" ${binary##*/} "*) ;; *) users[$owners]+=" ${binary##*/}" ;; esac
    done
done
[ ${#sonames[@]} -gt 0 ] || fail "the binaries load no shared library"

{
    for binary in "${binaries[@]}"; do
        needs "$binary"
        [ "$binary" = "${binaries[-1]}" ] && echo -n . || echo -n "; "
    done
    echo " They load these libraries, from these Debian and Ubuntu packages:"
} | fold -s -w 78 | sed 's/ *$//; s/\x1f/ /g'
echo
packages=$(printf '%s\n' "${!sonames[@]}" | sort)
for package in $packages; do
    used_by=${users[$package]# }
    printf '    %-18s %s  (%s)\n' "$package" "${sonames[$package]# }" "${used_by// /, }"
done
echo
echo "    sudo apt install ${packages//$'\n'/ }"
