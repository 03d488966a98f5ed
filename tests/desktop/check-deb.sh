#!/usr/bin/env bash
# Builds the Debian package with CPack and checks what a user would install:
# computed dependencies that name the toolkit and the HTML5 parser, every file
# in its place, no error or warning from lintian (hardening included). Run as
# root, it then installs the package with apt as a user would, runs each
# program from PATH and purges the package again.
#   check-deb.sh BUILD_DIR APP_ID VERSION [FILE...]
# A FILE without a slash is a program in usr/bin/; one with a slash is a path
# under usr/ (the preview pane's module in the library folder).
set -euo pipefail
build_dir=$(cd "$1" && pwd) app_id=$2 version=$3
shift 3
programs=() binaries=()
for file in "$@"; do
    case $file in
        */*) binaries+=("usr/$file") ;;
        *) programs+=("$file") binaries+=("usr/bin/$file") ;;
    esac
done

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
    ./usr/share/doc/quillveil/copyright
    ./usr/share/doc/quillveil/changelog.gz
    ./usr/share/locale/de/LC_MESSAGES/quillveil.mo
)
for size in 16 24 32 48 128; do
    expected+=(./usr/share/icons/hicolor/${size}x$size/apps/$app_id.png)
done
for binary in "${binaries[@]}"; do
    expected+=("./$binary")
done
for program in "${programs[@]}"; do
    expected+=(./usr/share/man/man1/$program.1.gz)
done
for path in "${expected[@]}"; do
    grep -qxF "$path" <<<"$contents" || fail "package lacks $path"
done
grep -q '^\./usr/include/\|\.a$' <<<"$contents" && fail "package holds build-only files"

dpkg-deb -x "$deb" "$out/root"
# Only the host architecture's copy counts: libc6-i386 also ships a libm.so.6.
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for binary in "${binaries[@]}"; do
    # Each library a program or module loads directly must come from a package
    # it depends on (GTK itself may arrive only through the toolkit's package).
    for soname in $(objdump -p "$out/root/$binary" | awk '$1 == "NEEDED" {print $2}'); do
        owner=$(dpkg -S "*/$multiarch/$soname" 2>/dev/null | head -n 1 | cut -d: -f1)
        if [ -z "$owner" ]; then
            fail "no installed package owns $soname, needed by $binary"
        elif ! grep -q "\(^\|, \)$owner\( \|,\|$\)" <<<"$depends"; then
            fail "$binary needs $soname from $owner, which Depends does not name"
        fi
    done
    # A package of unstripped debug builds is many times the size users expect.
    file -b "$out/root/$binary" | grep -q ', stripped' || fail "$binary is not stripped"
done

changelog_version=$(zcat "$out/root/usr/share/doc/quillveil/changelog.gz" |
    sed -n '1s/^quillveil (\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$version" ] ||
    fail "the changelog's latest entry is for $changelog_version, not $version"

# Information tags may stay: "binary-has-unneeded-section .comment" (CPack's
# strip keeps the compiler's ident) and "hardening-no-fortify-functions"
# where a program makes no call whose buffer size the compiler knows.
if command -v lintian >/dev/null; then
    tags=$(lintian --pedantic --display-info "$deb" 2>&1 | grep -v 'running with root privileges')
    [ -z "$tags" ] || echo "$tags"
    grep -q '^[EW]: ' <<<"$tags" && fail "lintian reports errors or warnings"
else
    fail "lintian is not installed (scripts/install-deps test)"
fi

# Installed as a user would, if this machine lets us and no quillveil is
# installed already (which a purge would remove). One package test at a time:
# other build trees on this machine may run theirs.
if [ "$failures" -eq 0 ] && [ "$(id -u)" -eq 0 ]; then
    exec 9>/tmp/quillveil-package-test.lock
    flock -w 600 9 || fail "another package test holds the lock"
    if dpkg-query -W -f='${Status}' quillveil 2>/dev/null | grep -q 'ok installed'; then
        echo "NOTE: quillveil is installed on this machine already; not installing the package"
    else
        # Purged on any way out, should a check below stop the script early.
        trap 'apt-get purge -y -qq quillveil >/dev/null 2>&1 || true; rm -rf "$out"' EXIT
        if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            -o DPkg::Lock::Timeout=600 "$deb" >"$out/apt.log" 2>&1; then
            cat "$out/apt.log" >&2
            fail "apt-get could not install the package"
        fi
        for program in "${programs[@]}"; do
            # The system's PATH, so a copy installed under /usr/local cannot answer.
            answer=$(env -u DISPLAY PATH=/usr/sbin:/usr/bin:/sbin:/bin "$program" --version 2>&1) ||
                fail "$program --version from PATH failed: $answer"
            grep -qF "$version" <<<"$answer" || fail "$program --version says '$answer'"
        done
        DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=600 \
            quillveil >/dev/null 2>&1 || fail "apt-get could not purge the package"
        if dpkg-query -W -f='${Status}' quillveil 2>/dev/null | grep -q 'ok installed'; then
            fail "quillveil is still installed after the purge"
        fi
    fi
fi

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "package OK: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
