#!/usr/bin/env bash
# Installs the build into a scratch prefix and builds the Debian package, and
# checks what a user gets: the programs in bin/ (vantrel-log and
# vantrel-bench answer --help from there), the desktop entry (valid) and the icon in share/, a man
# page for each program that man renders without a warning, names every
# option of the program's help and refers to the other three, every program
# answering --version with the packaged version, and a .deb that
# holds the same files, depends on the Qt and C++ runtime it links, passes
# Debian's own checks (lintian, no error and no warning) and carries
# hardened, stripped programs (hardening-check).
#   package_check.sh BUILD_DIR SCRATCH_DIR
set -euo pipefail
build=$1
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch"
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$scratch/prefix" > /dev/null
for program in vantrel vantrel-sim vantrel-log vantrel-bench; do
  [ -x "$scratch/prefix/bin/$program" ] || fail "bin/$program not installed"
  [ -f "$scratch/prefix/share/man/man1/$program.1.gz" ] || fail "no man page for $program"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$scratch/prefix/share/man/man1/$program.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man page of $program: $warnings"
  page=$(LC_ALL=C.UTF-8 man -l "$scratch/prefix/share/man/man1/$program.1.gz" 2>/dev/null)
  grep -q "^NAME" <<< "$page" || fail "man page of $program does not render"
done
help=$("$scratch/prefix/bin/vantrel-log" --help)
grep -q "^usage: vantrel-log" <<< "$help" || fail "installed vantrel-log --help"
help=$("$scratch/prefix/bin/vantrel-bench" --help)
grep -q "^Usage: vantrel-bench \[OPTIONS\] SUBCOMMAND" <<< "$help" || fail "installed vantrel-bench --help"
help=$("$scratch/prefix/bin/vantrel-sim" --help)
grep -q "^Usage: vantrel-sim" <<< "$help" || fail "installed vantrel-sim --help"
# Every option a program's help names is in its man page, and each page's
# SEE ALSO names the other three programs.
programs="vantrel vantrel-sim vantrel-log vantrel-bench"
helps() {
  case $1 in
    vantrel-log) for sub in "" json count csv gpx kml stats; do "$2" $sub --help; done ;;
    vantrel-bench) for sub in "" ttff sensitivity station results; do "$2" $sub --help; done ;;
    *) env -u DISPLAY "$2" --help ;;
  esac
}
for program in $programs; do
  source_page=$(zcat "$scratch/prefix/share/man/man1/$program.1.gz" | sed 's/\\-/-/g')
  for option in $(helps "$program" "$scratch/prefix/bin/$program" | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    grep -qE -- "$option([^a-z-]|\$)" <<< "$source_page" || fail "man page of $program lacks $option"
  done
  top_help=$(env -u DISPLAY "$scratch/prefix/bin/$program" --help)
  see_also=$(sed -n '/^\.SH SEE ALSO/,$p' <<< "$source_page")
  for other in $programs; do
    [ "$other" = "$program" ] || grep -q "^\.BR $other (1)" <<< "$see_also" || fail "$program(1) does not refer to $other(1)"
    [ "$other" = "$program" ] || grep -q "$other(1)" <<< "$top_help" || fail "$program --help does not refer to $other(1)"
  done
done
desktop="$scratch/prefix/share/applications/vantrel.desktop"
[ -f "$desktop" ] || fail "no desktop entry"
grep -q "^Exec=vantrel$" "$desktop" || fail "the desktop entry does not start vantrel"
if command -v desktop-file-validate > /dev/null; then desktop-file-validate "$desktop" || fail "desktop entry invalid"; fi
[ -f "$scratch/prefix/share/icons/hicolor/scalable/apps/vantrel.svg" ] || fail "no icon"
xmllint --noout "$scratch/prefix/share/icons/hicolor/scalable/apps/vantrel.svg" || fail "icon is not well formed"

(cd "$build" && cpack -B "$scratch/package" > "$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(ls "$scratch"/package/vantrel_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6; do
  [[ "$depends" == *"$lib"* ]] || fail "the package does not depend on $lib: $depends"
done
description=$(dpkg-deb -f "$deb" Description)
for program in $programs; do
  grep -qw -- "$program" <<< "$description" || fail "the package's description does not name $program"
done
contents=$(dpkg-deb -c "$deb")
for file in usr/bin/vantrel usr/bin/vantrel-sim usr/bin/vantrel-log usr/bin/vantrel-bench usr/share/applications/vantrel.desktop \
            usr/share/icons/hicolor/scalable/apps/vantrel.svg usr/share/man/man1/vantrel-log.1.gz usr/share/man/man1/vantrel-bench.1.gz \
            usr/share/man/man1/vantrel-sim.1.gz usr/share/man/man1/vantrel.1.gz; do
  grep -q " \./$file\$" <<< "$contents" || fail "the package lacks /$file"
done
# The changelog and every program's --version speak of the version packaged.
version=$(dpkg-deb -f "$deb" Version)
extracted="$scratch/extracted"
dpkg-deb -x "$deb" "$extracted"
zcat "$extracted/usr/share/doc/vantrel/changelog.gz" | head -n 1 | grep -q "^vantrel ($version) " ||
  fail "the changelog does not begin with version $version"
for program in vantrel vantrel-sim vantrel-log vantrel-bench; do
  answer=$(env -u DISPLAY "$scratch/prefix/bin/$program" --version) || fail "$program --version failed"
  [ "$answer" = "$program $version" ] || fail "$program --version says \"$answer\", not $version"
done
command -v lintian > /dev/null || fail "lintian is not installed (scripts/packages.sh installs it)"
lintian --fail-on error,warning "$deb" > "$scratch/lintian.txt" 2>&1 || { cat "$scratch/lintian.txt"; fail "lintian"; }
command -v hardening-check > /dev/null || fail "hardening-check is not installed (devscripts)"
for program in vantrel vantrel-sim vantrel-log vantrel-bench; do
  # Control-flow protection is left out: Debian 12's flags do not give it,
  # and the Qt libraries the programs load are built without it.
  hardening-check --nocfprotection "$extracted/usr/bin/$program" > "$scratch/hardening.txt" ||
    { cat "$scratch/hardening.txt"; fail "hardening-check $program"; }
  ! readelf -S "$extracted/usr/bin/$program" | grep -q -E '\.(comment|debug_info|symtab)\b' ||
    fail "$program is not stripped"
done
echo "installed and packaged: $(basename "$deb"), Depends: $depends"
