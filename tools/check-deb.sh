#!/bin/sh
# Builds the Debian package from a build folder, installs it on this machine
# with apt-get, checks that the desktop and the shell know it, and removes it
# again, together with any package it pulled in, so the machine is left as
# it was. Run as root on Debian 12; needs xdg-utils (xdg-mime).
#   tools/check-deb.sh [BUILD_DIR]
set -eu
build=$(cd "${1:-build}" && pwd)
fail=0
bad() { echo "FAIL: $*" >&2; fail=1; }
die() { echo "check-deb: $*" >&2; exit 2; }

[ "$(id -u)" -eq 0 ] || die "must run as root (it installs a package)"
command -v apt-get >/dev/null || die "apt-get is missing"
command -v cpack >/dev/null || die "cpack is missing"
command -v xdg-mime >/dev/null || die "xdg-mime is missing (install xdg-utils)"
if dpkg-query -W -f '${Status}' koburane 2>/dev/null | grep -q ' installed$'; then
  die "koburane is already installed; remove it first (apt-get remove koburane)"
fi

work=$(mktemp -d)
before="$work/before"
listed() { dpkg-query -W -f '${db:Status-Abbrev} ${Package}\n' | awk '$1 ~ /^.i/ { print $2 }' | sort; }
listed >"$before"
installed=0
# shellcheck disable=SC2317  # run by the trap
cleanup() {
  if [ "$installed" -eq 1 ]; then
    apt-get remove -y koburane >"$work/remove.log" 2>&1 || echo "check-deb: apt-get remove failed" >&2
  fi
  # Nothing of it is left behind, not even its entry in dpkg's list.
  if dpkg-query -W koburane >/dev/null 2>&1; then
    dpkg --purge koburane >>"$work/remove.log" 2>&1 || echo "check-deb: dpkg --purge koburane failed" >&2
  fi
  # Packages pulled in by the install (dependencies missing before) go too.
  listed >"$work/after"
  extra=$(comm -13 "$before" "$work/after" | tr '\n' ' ')
  if [ -n "$extra" ]; then
    echo "check-deb: removing what the install pulled in: $extra"
    # shellcheck disable=SC2086
    apt-get remove -y $extra >>"$work/remove.log" 2>&1 || echo "check-deb: could not remove $extra" >&2
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Build the package.
rm -f "$build"/koburane_*.deb
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; die "cpack -G DEB failed"; }
set -- "$build"/koburane_*.deb
[ -f "$1" ] || die "cpack made no koburane_*.deb"
deb=$1
echo "check-deb: built $(basename "$deb")"

# Install it. Recommends are left out: they would stay after the removal.
installed=1
(cd "$build" && apt-get install -y --no-install-recommends "./$(basename "$deb")") >"$work/install.log" 2>&1 \
  || { cat "$work/install.log" >&2; die "apt-get install failed"; }

# The runtime from PATH.
where=$(command -v koburane || true)
[ "$where" = /usr/bin/koburane ] || bad "koburane from PATH is '$where', not /usr/bin/koburane"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY koburane --version 2>&1) || bad "koburane --version failed: $version"
[ -n "$version" ] || bad "koburane --version printed nothing"
out=$(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY koburane --console -e '「入った」と言う' 2>&1) || true
[ "$out" = "入った" ] || bad "the installed runtime said: $out"

# The manual page.
if command -v man >/dev/null; then
  page=$(man -w koburane 2>&1) || bad "man -w koburane: $page"
  case "$page" in /usr/share/man/man1/koburane.1*) ;; *) bad "man -w koburane found '$page'" ;; esac
else
  echo "check-deb: man is missing, manual page not checked"
fi

# The MIME type and its default application, as a user with no settings of
# their own and no desktop environment sees them.
if command -v update-mime-database >/dev/null; then
  [ -f /usr/share/mime/text/x-koburane.xml ] || bad "the MIME database does not know text/x-koburane"
fi
mkdir -p "$work/home"
default=$(env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
          -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CONFIG_DIRS -u XDG_DATA_DIRS \
          HOME="$work/home" xdg-mime query default text/x-koburane 2>&1) || true
[ "$default" = koburane.desktop ] || bad "xdg-mime query default text/x-koburane answered '$default'"

# Remove it and check that it is gone.
apt-get remove -y koburane >"$work/remove.log" 2>&1 || { cat "$work/remove.log" >&2; bad "apt-get remove koburane failed"; }
installed=0
[ ! -e /usr/bin/koburane ] || bad "/usr/bin/koburane is still there after the removal"
[ ! -e /usr/share/applications/koburane.desktop ] || bad "koburane.desktop is still there after the removal"
[ ! -e /usr/share/mime/text/x-koburane.xml ] || bad "the MIME database still knows text/x-koburane after the removal"

[ $fail -eq 0 ] && echo "deb: installs, answers from PATH, man and xdg-mime, and removes cleanly"
exit $fail
