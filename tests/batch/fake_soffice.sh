#!/bin/bash
# A stand-in for LibreOffice's soffice in the batch's tests: takes the
# command line the batch gives soffice, "converts" each ODT by wrapping its
# bytes in a PDF header and trailer, and on request misbehaves as
# LibreOffice can.  An ODT with the same bytes as the file named by
# FAKE_SOFFICE_CRASH makes it die of SIGSEGV, by FAKE_SOFFICE_HANG makes it
# hang, by FAKE_SOFFICE_NOLOAD makes it skip the file and exit 0 (as
# LibreOffice does when a file fails to load).  It writes a profile, keeps
# a child running meanwhile (as soffice keeps soffice.bin) whose command
# line names this script's folder, and appends the number of files of each
# start to the file "calls" there.
here=$(dirname "$0")
files=()
while [ $# -gt 0 ]; do
  case $1 in
    -env:UserInstallation=file://*) profile=${1#-env:UserInstallation=file://} ;;
    --outdir) out=$2; shift ;;
    --convert-to)
      [ "$2" = 'pdf:writer_pdf_Export:{"SelectPdfVersion":{"type":"long","value":"2"}}' ] || exit 3
      shift ;;
    --*) ;;
    *) files+=("$1") ;;
  esac
  shift
done
echo ${#files[@]} >> "$here/calls"
mkdir -p "$profile/user" && echo settings > "$profile/user/registrymodifications.xcu"
(exec -a "$here/soffice.bin" sleep 300) &
same() { [ -n "$2" ] && cmp -s "$1" "$2"; }
for f in "${files[@]}"; do
  same "$f" "$FAKE_SOFFICE_CRASH" && kill -SEGV $$
  same "$f" "$FAKE_SOFFICE_HANG" && (exec -a "$here/hanging" sleep 300)
  same "$f" "$FAKE_SOFFICE_NOLOAD" && continue
  name=$(basename "$f" .odt)
  { printf '%%PDF-1.7\n'; cat "$f"; printf '\n%%%%EOF\n'; } > "$out/$name.part"
  mv "$out/$name.part" "$out/$name.pdf"
done
kill %1
exit 0
