#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands there, then builds the
# Debian package and checks its control data and contents.
# Usage: check_install.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/zor bin/zor-cli bin/zor-mkstore bin/zor-detector-sim \
            share/applications/zor.desktop share/icons/hicolor/scalable/apps/zor.svg \
            share/man/man1/zor-cli.1; do
  [ -e "$prefix/$file" ] || fail "$file was not installed"
done
for program in zor zor-cli zor-mkstore zor-detector-sim; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
done
desktop-file-validate "$prefix/share/applications/zor.desktop" || fail "desktop entry"
grep -q '^Exec=zor --user-store$' "$prefix/share/applications/zor.desktop" ||
  fail "the desktop entry does not start the per-user store"
xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/zor.svg" || fail "icon is not XML"
man -l "$prefix/share/man/man1/zor-cli.1" 2>"$work/man.err" | grep -q "EXIT STATUS" ||
  fail "man page: $(cat "$work/man.err")"
"$prefix/bin/zor-cli" --help | grep -q "mkstore" || fail "installed zor-cli does not run"

# The package, built from the same tree.
(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null) || fail "cpack"
deb="$(ls "$work"/package/zor_*.deb 2>/dev/null | head -n 1)"
if [ -z "$deb" ]; then
  fail "no package was written"
else
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = zor ] || fail "Package is $(field Package)"
  field Maintainer | grep -q 'example.invalid' || fail "Maintainer $(field Maintainer)"
  depends="$(field Depends)"
  for needed in libqt6widgets6 libqt6sql6-sqlite libqt6serialport6 libqt6printsupport6 \
                fonts-liberation; do
    echo "$depends" | grep -q "$needed" || fail "Depends lacks $needed: $depends"
  done
  contents="$(dpkg-deb -c "$deb")"
  for file in ./usr/bin/zor ./usr/bin/zor-cli ./usr/share/applications/zor.desktop \
              ./usr/share/icons/hicolor/scalable/apps/zor.svg; do
    echo "$contents" | grep -q " $file\$" || fail "the package lacks $file"
  done
  echo "package $(basename "$deb"): Depends: $depends"
fi
[ "$failures" -eq 0 ] && echo "install and package checks passed"
exit "$failures"
