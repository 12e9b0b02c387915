#!/usr/bin/env bash
# The Debian package as a user gets it: built by cpack from the build folder,
# unpacked into a temporary root (dpkg-deb -x), each program run from there on
# the examples, each manual page opened with man -l, the magic file naming a
# PFS document and not a text file, and the MIME entry compiled by
# update-mime-database.
#
#   check_package.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check_package: $*" >&2; exit 1; }

for tool in cpack dpkg-deb man file update-mime-database; do
  command -v "$tool" >/dev/null || fail "$tool is missing (.ci/install-deps installs it)"
done

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
debs=("$work"/out/pfs2vnk_*_amd64.deb)
[ -f "${debs[0]}" ] || fail "no pfs2vnk_VERSION_amd64.deb in $(ls "$work/out")"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "pfs2vnk_${version}_amd64.deb" ] || fail "package named $(basename "$deb")"
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "no dependencies computed from the programs"

root=$work/root
dpkg-deb -x "$deb" "$root"
bin=$root/usr/bin

# The programs, stripped, from the unpacked tree.
for prog in pfs2vnk vnkdump pfs2vnk-batch; do
  [ -x "$bin/$prog" ] || fail "$prog is not in the package"
  if readelf -S "$bin/$prog" | grep -q '\.symtab'; then fail "$prog is not stripped"; fi
done
cd "$work"
for doc in letter memo long; do
  "$bin/pfs2vnk" "$src/examples/$doc.pfs" "$doc.vnk" 0 >/dev/null || fail "pfs2vnk on $doc.pfs"
  "$build/pfs2vnk" "$src/examples/$doc.pfs" "built-$doc.vnk" 0 >/dev/null
  cmp -s "$doc.vnk" "built-$doc.vnk" || fail "$doc.vnk differs from the build folder's"
  "$bin/vnkdump" "$doc.vnk" >"$doc.list" || fail "vnkdump on $doc.vnk"
  grep -q 'page-length' "$doc.list" || fail "vnkdump listed no page length for $doc.vnk"
  "$bin/vnkdump" --text "$doc.vnk" >"$doc.txt" || fail "vnkdump --text on $doc.vnk"
  [ -s "$doc.txt" ] || fail "vnkdump --text printed nothing"
done
mkdir arch
cp "$src"/examples/*.pfs arch/
"$bin/pfs2vnk-batch" -q arch converted || fail "pfs2vnk-batch on the examples"
for doc in letter memo long; do
  cmp -s "converted/$doc.pfs.vnk" "$doc.vnk" || fail "the batch's $doc.pfs.vnk differs"
done

# Every manual page, compressed with gzip -9n, opens.
for prog in pfs2vnk vnkdump pfs2vnk-batch; do
  page=$root/usr/share/man/man1/$prog.1.gz
  [ -f "$page" ] || fail "no manual page for $prog"
  gzip -l "$page" >/dev/null || fail "$page is not gzip"
  MANWIDTH=80 man -l "$page" >"$work/man.out" 2>"$work/man.err" || fail "man -l $page"
  grep -q "$prog" "$work/man.out" || fail "man -l $page shows no $prog"
  if grep -q . "$work/man.err"; then cat "$work/man.err" >&2; fail "man -l $page warns"; fi
done

# Documentation and completion.
for f in README.md changelog.gz copyright; do
  [ -f "$root/usr/share/doc/pfs2vnk/$f" ] || fail "/usr/share/doc/pfs2vnk/$f is missing"
done
for prog in vnkdump pfs2vnk-batch; do
  comp=$root/usr/share/bash-completion/completions/$prog
  [ -f "$comp" ] || fail "no bash completion for $prog"
  bash -c "source '$comp' && complete -p $prog" >/dev/null || fail "completion for $prog"
done

# The magic file names a PFS document and nothing else.
magic=$root/usr/share/pfs2vnk/pfs2vnk.magic
[ "$(file -b -m "$magic" "$src/examples/letter.pfs")" = "PFS word-processor document" ] ||
  fail "file -m does not name letter.pfs"
[ "$(file -b --mime-type -m "$magic" "$src/examples/memo.pfs")" = "application/x-pfs" ] ||
  fail "file -m gives no MIME type for memo.pfs"
case $(file -b -m "$magic" "$src/README.md") in
  *PFS*) fail "file -m names README.md a PFS document" ;;
esac
# A text file whose bytes 641-643 are lower-case "typ" is not one either.
{ head -c 641 /dev/zero | tr '\0' 'a'; printf 'typ and more text\n'; } >lower.txt
case $(file -b -m "$magic" lower.txt) in
  *PFS*) fail "file -m names lower-case typ a PFS document" ;;
esac

# The MIME entry compiles and names the type by name and by content.
mkdir -p mime/packages
cp "$root/usr/share/mime/packages/pfs2vnk.xml" mime/packages/
update-mime-database "$work/mime" 2>"$work/mime.err" || { cat "$work/mime.err" >&2; fail "update-mime-database"; }
grep -q 'application/x-pfs:\*\.pfs' mime/globs2 || fail "no glob *.pfs in the MIME database"
grep -q 'application/x-pfs' mime/magic || fail "no magic for application/x-pfs in the MIME database"
echo "check_package: $(basename "$deb") unpacks, runs, and identifies PFS documents"
