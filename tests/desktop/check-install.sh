#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks that every file lands where
# the desktop looks for it, and that nothing meant only for building does.
#   check-install.sh BUILD_DIR APP_ID VERSION [FILE...]
# A FILE without a slash is a program in bin/; one with a slash is a path
# under the prefix (the preview pane's module in the library folder).
set -euo pipefail
build_dir=$1 app_id=$2 version=$3
shift 3
programs=() others=()
for file in "$@"; do
    case $file in
        */*) others+=("$file") ;;
        *) programs+=("$file") ;;
    esac
done

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

for program in "${programs[@]}"; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is missing or not executable"
done
for file in "${others[@]}"; do
    [ -f "$prefix/$file" ] || fail "$file is missing"
done

entry=$prefix/share/applications/$app_id.desktop
metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
[ -f "$entry" ] || fail "desktop entry missing: ${entry#"$prefix"/}"
[ -f "$metainfo" ] || fail "metainfo missing: ${metainfo#"$prefix"/}"

hicolor=$prefix/share/icons/hicolor
for size in 16 24 32 48 128; do
    png=$hicolor/${size}x$size/apps/$app_id.png
    if [ ! -f "$png" ]; then
        fail "icon missing: ${png#"$prefix"/}"
    elif ! file -b "$png" | grep -q "^PNG image data, $size x $size,"; then
        fail "${png#"$prefix"/} is not a $size x $size PNG: $(file -b "$png")"
    fi
done
[ -f "$hicolor/scalable/apps/$app_id.svg" ] || fail "scalable icon missing"
for lang in de es fr; do
    [ -f "$prefix/share/locale/$lang/LC_MESSAGES/quillveil.mo" ] || fail "no $lang catalog"
done
# The installed programs find the catalogs under their prefix.
if [[ " ${programs[*]} " == *" quillveil-encode "* ]]; then
    LC_ALL=C.UTF-8 LANGUAGE=de "$prefix/bin/quillveil-encode" --help | grep -q '^Aufruf: ' ||
        fail "the installed quillveil-encode --help is not German under LANGUAGE=de"
fi

if [ -f "$entry" ]; then
    desktop-file-validate "$entry" || fail "installed desktop entry does not validate"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "$hicolor/48x48/apps/$icon.png" ] || fail "the entry's Icon=$icon names no installed icon"
    exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    if [ ${#programs[@]} -gt 0 ] && [ ! -x "$prefix/bin/$exec_program" ]; then
        fail "the entry's Exec=$exec_program is not an installed program"
    fi
fi
if [ -f "$metainfo" ]; then
    grep -q "<release version=\"$version\"" "$metainfo" ||
        fail "metainfo does not announce release $version"
    grep -q '@[A-Z_]*@' "$metainfo" && fail "metainfo has unconfigured @VARIABLES@"
    appstreamcli validate-tree --no-net "$prefix" >/dev/null ||
        fail "appstreamcli validate-tree rejects the installed tree"
fi

# Each program's manual page, as man finds and shows it.
for program in "${programs[@]}"; do
    page=$(MANPATH=$prefix/share/man MANWIDTH=80 man -P cat "$program" 2>&1) ||
        fail "man $program: $page"
    grep -q "^SYNOPSIS" <<<"$page" && grep -q "^EXIT STATUS" <<<"$page" ||
        fail "man $program shows no synopsis or exit status"
done

# The encoder's completion, loaded the way bash-completion loads it on demand
# from share/ under a prefix; the first word offers the modes.
loader=/usr/share/bash-completion/bash_completion
if [[ " ${programs[*]} " == *" quillveil-encode "* ]] && [ -f "$loader" ]; then
    offered=$(XDG_DATA_DIRS="$prefix/share" HOME="$prefix" bash -c '
        . "$1"
        __load_completion quillveil-encode || exit 1
        COMP_WORDS=(quillveil-encode "") COMP_CWORD=1
        $(complete -p quillveil-encode | sed -n "s/.*-F \([^ ]*\).*/\1/p") quillveil-encode "" ""
        echo "${COMPREPLY[*]}"' bash "$loader") || fail "bash-completion finds no completion"
    for mode in email link text; do
        [[ " $offered " == *" $mode "* ]] || fail "completion offers '$offered', not $mode"
    done
fi

strays=$(cd "$prefix" && find . -type f \( -path './include/*' -o -name '*.a' -o -name '*.o' \))
[ -z "$strays" ] || fail "build-only files installed: $strays"

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "install layout OK ($(cd "$prefix" && find . -type f | wc -l) files)"
