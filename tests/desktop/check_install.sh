#!/usr/bin/env bash
# Installs the build into a DESTDIR under /usr and checks every file and its
# place, validates the desktop entry and the AppStream metainfo, runs the
# installed binary in German, then builds the Debian package, lists its contents
# and has lintian check it.
# Usage: check_install.sh BUILD_DIR [--lintian]
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
fail() { echo "FAIL: $*" >&2; exit 1; }

app=io.github.brimvale.Brimvale
sizes="16 22 24 32 48 64 128 256"
expected=(
  usr/bin/brimvale
  usr/share/applications/$app.desktop
  usr/share/metainfo/$app.metainfo.xml
  usr/share/icons/hicolor/scalable/apps/$app.svg
  usr/share/icons/hicolor/scalable/status/$app-private.svg
  usr/share/brimvale/translations/brimvale_de.qm
  usr/share/man/man1/brimvale.1.gz
  usr/share/doc/brimvale/copyright
  usr/share/doc/brimvale/changelog.gz
)
for size in $sizes; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app.png")
done
printf '%s\n' "${expected[@]}" | sort > "$work/expected"

echo "== cmake --install into a DESTDIR, prefix /usr"
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort) > "$work/installed"
diff -u "$work/expected" "$work/installed" || fail "installed files differ from the expected ones"
echo "all ${#expected[@]} files in place, nothing else"

[ -x "$root/usr/bin/brimvale" ] || fail "the binary is not executable"
for f in "${expected[@]}"; do
  [ -s "$root/$f" ] || fail "$f is empty"
  case $f in
    usr/bin/*) ;;
    *) [ "$(stat -c %a "$root/$f")" = 644 ] || fail "$f has mode $(stat -c %a "$root/$f")" ;;
  esac
done

# The PNG header holds width and height as big-endian words at bytes 16 and 20.
for size in $sizes; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$app.png
  [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is no PNG"
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$dims" = "$size $size" ] || fail "$png is $dims, not $size x $size"
done

echo "== desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/$app.desktop"
grep -qx "Icon=$app" "$root/usr/share/applications/$app.desktop" || fail "the desktop entry names another icon"
grep -qx "Exec=brimvale.*" "$root/usr/share/applications/$app.desktop" || fail "the desktop entry runs another program"
for key in 'Name\[de\]' 'Comment\[de\]' 'Keywords\[de\]'; do
  grep -q "^$key=." "$root/usr/share/applications/$app.desktop" || fail "the desktop entry has no $key"
done
echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app.metainfo.xml"

gzip -t "$root/usr/share/man/man1/brimvale.1.gz"
zcat "$root/usr/share/man/man1/brimvale.1.gz" | grep -q '^\.TH BRIMVALE 1' || fail "the man page has no title"

echo "== the installed binary finds its installed translations"
help=$(env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen \
         ASAN_OPTIONS=detect_leaks=0 "$root/usr/bin/brimvale" --help)
grep -q 'Führt einen Verlauf der Texte' <<<"$help" || fail "no German in --help: $help"
help=$(env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=en_US.UTF-8 QT_QPA_PLATFORM=offscreen \
         ASAN_OPTIONS=detect_leaks=0 "$root/usr/bin/brimvale" --help)
grep -q 'Keeps a history of the texts you copy.' <<<"$help" || fail "no English in --help: $help"

echo "== the Debian package"
cpack -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" >/dev/null
deb=$(ls "$work"/package/brimvale_*.deb)
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb"
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {sub(/^\.\//, "", $6); print $6}' | sort > "$work/packaged"
diff -u "$work/expected" "$work/packaged" || fail "the package holds other files than those installed"
depends=$(dpkg-deb --field "$deb" Depends)
for lib in libqt6widgets6 libsqlite3-0 libqt6svg6 qt6-qpa-plugins; do
  grep -q "$lib" <<<"$depends" || fail "the package does not depend on $lib: $depends"
done
recommends=$(dpkg-deb --field "$deb" Recommends)
grep -q qt6-wayland <<<"$recommends" || fail "the package does not recommend qt6-wayland: $recommends"

# Lintian takes a minute or more; one build of the two that scripts/test.sh makes is enough.
if [ "${2:-}" = --lintian ]; then
  echo "== lintian"
  lintian --fail-on error "$deb" || fail "lintian found errors"
else
  echo "== lintian not run here (no --lintian)"
fi
echo "check_install: passed"
