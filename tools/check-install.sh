#!/bin/sh
# Installs a build into a temporary DESTDIR and checks that every file is
# there and well formed: the runtime runs, the manual page reads with
# `man -l`, the desktop entry validates (when desktop-file-validate is
# installed), the MIME type and the icon are well-formed XML.
#   tools/check-install.sh [BUILD_DIR]
set -eu
build=${1:-build}
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT INT TERM
fail=0
bad() { echo "FAIL: $*" >&2; fail=1; }

DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null

for f in bin/koburane share/man/man1/koburane.1 share/applications/koburane.desktop \
         share/applications/mimeapps.list share/mime/packages/koburane.xml share/icons/hicolor/scalable/apps/koburane.svg \
         share/doc/koburane/commands.md share/doc/koburane/examples/hello.kbr; do
  [ -f "$dest/usr/$f" ] || bad "$f is not installed"
done
[ -x "$dest/usr/bin/koburane" ] || bad "bin/koburane is not executable"

out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$dest/usr/bin/koburane" --console -e '「入った」と言う' 2>&1) || true
[ "$out" = "入った" ] || bad "the installed runtime said: $out"

if command -v man >/dev/null; then
  page=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$dest/usr/share/man/man1/koburane.1" 2>"$dest/man.err") \
    || bad "man -l failed"
  for section in SYNOPSIS OPTIONS "CONSOLE MODE" FILES "EXIT STATUS" EXAMPLES; do
    printf '%s\n' "$page" | grep -q "^$section" || bad "the manual page has no $section"
  done
  [ ! -s "$dest/man.err" ] || bad "man warns: $(cat "$dest/man.err")"
fi

desktop="$dest/usr/share/applications/koburane.desktop"
grep -qx 'Exec=koburane %f' "$desktop" || bad "koburane.desktop: no Exec=koburane %f"
grep -qx 'MimeType=text/x-koburane;' "$desktop" || bad "koburane.desktop: no MimeType=text/x-koburane;"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || bad "desktop-file-validate rejects koburane.desktop"
fi

grep -qx 'text/x-koburane=koburane.desktop' "$dest/usr/share/applications/mimeapps.list" \
  || bad "mimeapps.list does not make koburane.desktop the default for text/x-koburane"

mime="$dest/usr/share/mime/packages/koburane.xml"
grep -q 'type="text/x-koburane"' "$mime" || bad "koburane.xml: no text/x-koburane"
grep -q 'pattern="\*.kbr"' "$mime" || bad "koburane.xml: no *.kbr glob"
if command -v xmllint >/dev/null; then
  xmllint --noout "$mime" "$dest/usr/share/icons/hicolor/scalable/apps/koburane.svg" || bad "malformed XML"
fi

[ $fail -eq 0 ] && echo "install: all files in place"
exit $fail
