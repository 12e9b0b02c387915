#!/usr/bin/env bash
# Checks the links of the documentation: README.md and docs/*.md.
#
#   check_links.sh SOURCE_DIR
#
# - Every relative Markdown link (inline `[text](target)`, images, reference
#   definitions `[name]: target`) names a file or folder that exists, taken
#   from the folder of the page that holds the link.
# - A link with `#anchor` into a Markdown page (or `#anchor` alone, into the
#   same page) names one of its headings, as GitHub turns headings into
#   anchors: lower case, punctuation dropped, spaces made hyphens, a
#   repeated heading given -1, -2, ...
# - Every manual page named as NAME(1) is man/NAME.1 of the repository.
#
# Fenced code blocks and `code spans` are skipped: they show commands and
# output, not references. Links with a scheme (https:, mailto:) are not
# fetched. Prints one line per fault and exits 1 when there is any.
set -uo pipefail

root=${1:?usage: check_links.sh SOURCE_DIR}
cd "$root" || exit 2

export LC_ALL=C

# The prose of a page: "LINE<TAB>TEXT" for every line outside fenced code
# blocks, code spans removed.
prose() {
  awk '
    /^ ? ? ?(```|~~~)/ { fenced = !fenced; next }
    fenced { next }
    {
      line = $0
      gsub(/``[^`]+``/, "", line)
      gsub(/`[^`]*`/, "", line)
      print NR "\t" line
    }' "$1"
}

# The anchors of a page's headings, one a line.
anchors() {
  awk '
    /^ ? ? ?(```|~~~)/ { fenced = !fenced; next }
    fenced { next }
    /^ ? ? ?#+( |$)/ {
      text = $0
      sub(/^ *#+ */, "", text)
      sub(/ +#+ *$/, "", text)
      sub(/ +$/, "", text)
      text = tolower(text)
      slug = ""
      for (i = 1; i <= length(text); i++) {
        c = substr(text, i, 1)
        if (c ~ /[a-z0-9_-]/ || c > "\177") slug = slug c
        else if (c == " ") slug = slug "-"
      }
      if (slug in seen) { seen[slug]++; print slug "-" seen[slug] }
      else { seen[slug] = 0; print slug }
    }' "$1"
}

# Undoes %XX escapes, as a browser does before it opens a relative link.
urldecode() {
  local s=${1//+/%2B}
  printf '%b' "${s//%/\\x}"
}

faults=0
links=0
pages=0
fault() {
  echo "$1: $2" >&2
  faults=$((faults + 1))
}

files=(README.md)
for f in docs/*.md; do
  [ -e "$f" ] && files+=("$f")
done

for page in "${files[@]}"; do
  [ -f "$page" ] || { fault "$page" "page missing"; continue; }
  pages=$((pages + 1))
  dir=$(dirname "$page")
  while IFS=$'\t' read -r lineno text; do
    targets=()
    # Inline links and images: ](target) or ](target "title").
    rest=$text
    while [[ $rest =~ \]\(([^\)]*)\) ]]; do
      targets+=("${BASH_REMATCH[1]}")
      rest=${rest#*"${BASH_REMATCH[0]}"}
    done
    # Reference definitions: [name]: target
    if [[ $text =~ ^\ {0,3}\[[^]]+\]:[[:space:]]+([^[:space:]]+) ]]; then
      targets+=("${BASH_REMATCH[1]}")
    fi
    for target in "${targets[@]}"; do
      target=${target%%[[:space:]]*}
      target=${target#<}
      target=${target%>}
      [ -n "$target" ] || { fault "$page:$lineno" "empty link"; continue; }
      [[ $target =~ ^[A-Za-z][A-Za-z0-9+.-]*: ]] && continue
      links=$((links + 1))
      path=${target%%#*}
      anchor=
      [[ $target == *#* ]] && anchor=${target#*#}
      path=$(urldecode "$path")
      if [ -z "$path" ]; then
        file=$page
      elif [[ $path == /* ]]; then
        file=${path#/}
      else
        file=$dir/$path
      fi
      if [ ! -e "$file" ]; then
        fault "$page:$lineno" "broken link: $target ($file does not exist)"
        continue
      fi
      if [ -n "$anchor" ] && [[ $file == *.md ]] && [ -f "$file" ]; then
        if ! anchors "$file" | grep -qxF -- "$(urldecode "$anchor")"; then
          fault "$page:$lineno" "broken link: $target (no heading of $file has the anchor #$anchor)"
        fi
      fi
    done
    # Manual pages named as NAME(1).
    rest=$text
    while [[ $rest =~ ([A-Za-z0-9_][A-Za-z0-9_.+-]*)\(1\) ]]; do
      name=${BASH_REMATCH[1]}
      rest=${rest#*"${BASH_REMATCH[0]}"}
      links=$((links + 1))
      [ -f "man/$name.1" ] || fault "$page:$lineno" "manual page $name(1) is not in man/"
    done
  done < <(prose "$page")
done

if [ "$faults" -gt 0 ]; then
  echo "check_links: $faults fault(s) in $pages page(s)" >&2
  exit 1
fi
echo "check_links: $links links and manual pages in $pages pages resolve"
