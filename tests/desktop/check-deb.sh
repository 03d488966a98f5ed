#!/usr/bin/env bash
# Builds the Debian package with CPack and checks what a user would install:
# computed dependencies that name the toolkit and the HTML5 parser, and every
# file in its place.
# It only inspects the package; nothing is installed on this machine.
#   check-deb.sh BUILD_DIR APP_ID VERSION [PROGRAM...]
set -euo pipefail
build_dir=$(cd "$1" && pwd) app_id=$2 version=$3
shift 3
programs=("$@")

if [ ${#programs[@]} -eq 0 ]; then
    echo "SKIP: this build has no quillveil program yet, so its package would be empty"
    exit 77
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
if ! (cd "$build_dir" && cpack -G DEB -B "$out") >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log" >&2
    echo "FAIL: cpack could not build the package" >&2
    exit 1
fi
debs=("$out"/quillveil_"$version"_*.deb)
if [ ! -f "${debs[0]}" ]; then
    echo "FAIL: no quillveil_${version}_*.deb; cpack made: $(ls "$out")" >&2
    exit 1
fi
deb=${debs[0]}

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

[ "$(dpkg-deb -f "$deb" Package)" = quillveil ] || fail "package name is not quillveil"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
[ -n "$depends" ] || fail "Depends is empty: dpkg-shlibdeps computed nothing"
for package in libwxgtk3.2-1 libwxbase3.2-1; do
    grep -qF "$package" <<<"$depends" || fail "Depends does not name the toolkit's $package"
done
grep -qF libgumbo1 <<<"$depends" || fail "Depends does not name libgumbo1, the HTML5 parser"

contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
expected=(
    ./usr/share/applications/$app_id.desktop
    ./usr/share/metainfo/$app_id.metainfo.xml
    ./usr/share/icons/hicolor/scalable/apps/$app_id.svg
)
for size in 16 24 32 48 128; do
    expected+=(./usr/share/icons/hicolor/${size}x$size/apps/$app_id.png)
done
for program in "${programs[@]}"; do
    expected+=(./usr/bin/$program)
done
for path in "${expected[@]}"; do
    grep -qxF "$path" <<<"$contents" || fail "package lacks $path"
done
grep -q '^\./usr/include/\|\.a$' <<<"$contents" && fail "package holds build-only files"

dpkg-deb -x "$deb" "$out/root"
# Only the host architecture's copy counts: libc6-i386 also ships a libm.so.6.
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for program in "${programs[@]}"; do
    binary=$out/root/usr/bin/$program
    # Each library the program loads directly must come from a package it depends on
    # (GTK itself may arrive only through the toolkit's package).
    for soname in $(objdump -p "$binary" | awk '$1 == "NEEDED" {print $2}'); do
        owner=$(dpkg -S "*/$multiarch/$soname" 2>/dev/null | head -n 1 | cut -d: -f1)
        if [ -z "$owner" ]; then
            fail "no installed package owns $soname, needed by $program"
        elif ! grep -q "\(^\|, \)$owner\( \|,\|$\)" <<<"$depends"; then
            fail "$program needs $soname from $owner, which Depends does not name"
        fi
    done
    # A package of unstripped debug builds is many times the size users expect.
    file -b "$binary" | grep -q ', stripped' || fail "usr/bin/$program is not stripped"
done

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "package OK: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
