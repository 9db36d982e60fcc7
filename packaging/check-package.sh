#!/usr/bin/env bash
# Builds the Debian package of a build folder, unpacks it into a temporary root and
# checks what it installs: the programs run from the package's bin folder, the desktop
# entry validates, the icons, manual pages and completion are in place, the utility has
# no testing option, the dependencies were computed, and lintian (where installed)
# reports no error.
#   packaging/check-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
fail() { echo "check-package: $*" >&2; exit 1; }
for tool in dpkg-shlibdeps desktop-file-validate; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps package)"
done

cmake --build "$build" --target package >"$build/package.log" 2>&1 || { cat "$build/package.log" >&2; fail "the package build failed"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$(ls "$build"/tavo-utility_"$version"_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no tavo-utility_${version}_*.deb in $build"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
for file in usr/bin/tavo-utility usr/bin/tavo usr/bin/tavo-sim usr/share/tavo-utility/707.html \
            usr/share/applications/tavo-utility.desktop \
            usr/share/icons/hicolor/scalable/apps/tavo-utility.svg \
            usr/share/icons/hicolor/48x48/apps/tavo-utility.png \
            usr/share/icons/hicolor/256x256/apps/tavo-utility.png \
            usr/share/man/man1/tavo-utility.1.gz usr/share/man/man1/tavo.1.gz usr/share/man/man1/tavo-sim.1.gz \
            usr/share/bash-completion/completions/tavo usr/share/doc/tavo-utility/copyright; do
    [ -e "$root/$file" ] || fail "the package lacks /$file"
done

desktop-file-validate "$root/usr/share/applications/tavo-utility.desktop" || fail "the desktop entry does not validate"
grep -q '^Exec=tavo-utility --in-data-folder$' "$root/usr/share/applications/tavo-utility.desktop" ||
    fail "the desktop entry does not start the utility in its data folder"

# The installed programs run (a sanitizer build's leak check is not wanted here).
export ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
[ "$("$root/usr/bin/tavo" --version)" = "tavo $version" ] || fail "tavo --version does not say tavo $version"
help=$("$root/usr/bin/tavo-utility" --help) || fail "tavo-utility --help"
grep -q -- '--in-data-folder' <<<"$help" || fail "tavo-utility --help lacks --in-data-folder"
# The package holds the product: no testing switch, and no testing build of the utility.
for option in --close-after-ms --print-startup-ms --screenshot --fail-network-init --scene-folder --scene-device; do
    ! grep -q -- "$option" <<<"$help" || fail "the packaged tavo-utility --help shows the testing option $option"
done
! find "$root" -name '*testing*' | grep -q . || fail "the package holds testing files: $(find "$root" -name '*testing*')"
"$root/usr/bin/tavo-sim" --help >/dev/null || fail "tavo-sim --help"

# The web build of the installed tavo finds the installed default page.
mkdir "$root/web"
echo '<html></html>' >"$root/web/a.htm"
(cd "$root/web" && "$root/usr/bin/tavo" image build "$root/web" -o "$root/a.TAV" --dry-run) |
    grep -q "$root/usr/share/tavo-utility/707.html" || fail "the installed tavo does not find the installed 707.html"

for page in tavo-utility tavo tavo-sim; do
    zcat "$root/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH ${page^^} 1" || fail "the manual page of $page"
done
zcat "$root/usr/share/man/man1/tavo.1.gz" | grep -q '^\.SH COMMAND FLASH' || fail "tavo's manual page lacks its commands"
bash -n "$root/usr/share/bash-completion/completions/tavo" || fail "the bash completion of tavo"

depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends" | grep -q 'libqt6widgets6' || fail "the dependencies were not computed: '$depends'"
echo "$depends" | grep -q 'qt6-translations-l10n' || fail "the package does not bring Qt's Italian texts: '$depends'"

if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" ||
        fail "lintian reports errors"
else
    echo "check-package: lintian is not installed; its check is left out"
fi
echo "check-package: $(basename "$deb") ($(du -k "$deb" | cut -f1) kB), depends on: $depends"
