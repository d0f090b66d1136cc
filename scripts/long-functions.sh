#!/usr/bin/env bash
# Lists the length of every function the product defines, longest first, and
# fails when one is longer than the limit. A long function hides its steps;
# naming them keeps each rule readable on its own and the layering visible.
#
# A function's length counts its lines from the first line of its
# declaration (a template line included) to its closing brace. Lambdas and
# local classes count in the function that holds them. Tests (*_test.cc,
# *_bench.cc, testing/, fuzz/, bench/) are not product code and are not
# checked. The scan expects clang-format's layout: it strips comments,
# strings and character literals (digit separators such as 16'000'000
# included), skips preprocessor lines and follows the braces.
#
# Usage: long-functions.sh [--all] [--limit N] [ROOT]
#   Prints "lines  file:line  name" for every function over the limit (every
#   function with --all) and exits 1 when any is over the limit. ROOT is the
#   repository by default; N is 60.
set -u
limit=60
all=0
while [ $# -gt 0 ]; do
  case $1 in
    --all) all=1; shift ;;
    --limit) limit=$2; shift 2 ;;
    *) break ;;
  esac
done
root=${1:-"$(dirname "$0")/.."}
cd "$root" || exit 1

dirs=()
for d in app ui folders heights measurements rinex report dossier photos delivery project pdf image text platform tools; do
  [ -d "$d" ] && dirs+=("$d")
done
if [ ${#dirs[@]} -eq 0 ]; then
  echo "no source folders under $(pwd)"; exit 1
fi

mapfile -d '' files < <(
  find "${dirs[@]}" -type f \( -name '*.h' -o -name '*.cc' \) \
    ! -name '*_test.cc' ! -name '*_bench.cc' -print0 | sort -z)
[ ${#files[@]} -eq 0 ] && exit 0

listing=$(
  awk -v all="$all" -v limit="$limit" '
  FNR == 1 {
    in_comment = 0; depth = 0; stmt = ""; stmt_line = 0; pp_cont = 0
    pending = ""
    delete kind
  }
  # Appends one character of code to the statement being read, remembering
  # the line where it began.
  function add(c) {
    if (stmt_line == 0 && c !~ /[ \t]/) stmt_line = FNR
    stmt = stmt c
  }
  function reset() { stmt = ""; stmt_line = 0 }
  # The name of the function a statement declares: the (qualified) word
  # before its first parenthesis.
  function name_of(s,   p, head) {
    p = index(s, "(")
    head = substr(s, 1, p - 1)
    sub(/[ \t]+$/, "", head)
    if (match(head, /operator[ \t]*[^ \t]*$/)) return substr(head, RSTART)
    if (match(head, /[~A-Za-z0-9_:<>]+$/)) return substr(head, RSTART)
    return head
  }
  # Whether a statement ending in "{" at namespace or class level opens a
  # function body: it has a parameter list and is neither a type, a
  # namespace nor a variable with an initializer.
  function opens_function(s,   p, head) {
    p = index(s, "(")
    if (p == 0) return 0
    head = substr(s, 1, p - 1)
    # A template line may name defaults and "typename" or "class".
    sub(/^[ \t]*template[ \t]*<[^>]*>/, "", head)
    if (head ~ /(^|[^A-Za-z0-9_])(namespace|class|struct|union|enum)([^A-Za-z0-9_]|$)/ && head !~ /operator/) return 0
    if (head ~ /=/ && head !~ /operator/) return 0
    return 1
  }
  # How many parentheses the statement leaves open: a brace inside them is
  # an argument (a lambda, a braced value), never a body.
  function open_parens(s,   t, opened) {
    t = s; opened = gsub(/\(/, "", t)
    t = s; return opened - gsub(/\)/, "", t)
  }
  # Whether a "{" inside a constructor initializer list opens a member
  # initializer (b_{x}) rather than the body: clang-format writes no space
  # between the member and its brace, and one before the body.
  function member_brace(s,   close_paren, tail) {
    close_paren = index(s, ")")
    tail = substr(s, close_paren + 1)
    gsub(/::/, "", tail)
    if (tail !~ /:/) return 0
    return s ~ /[A-Za-z0-9_>]$/
  }
  {
    line = $0
    # Preprocessor lines (and their continuations) are not code to follow.
    if (pp_cont) { pp_cont = (line ~ /\\$/); next }
    if (!in_comment && line ~ /^[ \t]*#/) { pp_cont = (line ~ /\\$/); next }
    n = length(line)
    for (i = 1; i <= n; i++) {
      c = substr(line, i, 1)
      if (in_comment) {
        if (c == "*" && substr(line, i + 1, 1) == "/") { in_comment = 0; i++ }
        continue
      }
      if (c == "/" && substr(line, i + 1, 1) == "/") break
      if (c == "/" && substr(line, i + 1, 1) == "*") { in_comment = 1; i++; continue }
      if (c == "\"" || (c == "\x27" && !(i > 1 && substr(line, i - 1, 1) ~ /[0-9A-Fa-f]/ && substr(line, i + 1, 1) ~ /[0-9A-Fa-f]/))) {
        # A string or character literal: skip to its closing quote.
        q = c
        for (i++; i <= n; i++) {
          d = substr(line, i, 1)
          if (d == "\\") { i++; continue }
          if (d == q) break
        }
        add(q q)
        continue
      }
      if (c == "{") {
        outer = depth > 0 ? kind[depth] : "scope"
        if (outer == "body" || outer == "inner") {
          kind[++depth] = "inner"
        } else if (outer == "member") {
          kind[++depth] = "member"; add(c)
        } else if (open_parens(stmt) > 0 || (pending != "" && member_brace(stmt))) {
          kind[++depth] = "member"; add(c)
        } else if (opens_function(stmt)) {
          kind[++depth] = "body"
          start[depth] = stmt_line; fname[depth] = name_of(stmt)
          pending = ""
          reset()
        } else {
          kind[++depth] = "scope"
          reset()
        }
        continue
      }
      if (c == "}") {
        if (depth == 0) continue
        k = kind[depth]
        if (k == "body") {
          len = FNR - start[depth] + 1
          if (all || len > limit)
            printf "%d\t%s:%d\t%s\n", len, FILENAME, start[depth], fname[depth]
        }
        delete kind[depth]
        depth--
        if (k == "member") { add(c); continue }
        if (depth == 0 || kind[depth] == "scope") reset()
        continue
      }
      outer = depth > 0 ? kind[depth] : "scope"
      if (outer != "scope" && outer != "member") continue
      if (c == ";" && outer == "scope") { reset(); pending = ""; continue }
      add(c)
      # A constructor with an initializer list: its member braces follow.
      if (c == ")" && index(stmt, "(") > 0) pending = "ctor"
      # Access labels end a statement of their own.
      if (c == ":" && stmt ~ /(public|private|protected)[ \t]*:$/ && substr(line, i + 1, 1) != ":") reset()
    }
    if (!in_comment) add(" ")
  }' "${files[@]}" | sort -t$'\t' -k1,1nr -k2,2
)

over=0
while IFS=$'\t' read -r len where name; do
  [ -z "$len" ] && continue
  printf '%5d  %s  %s\n' "$len" "$where" "$name"
  [ "$len" -gt "$limit" ] && over=$((over + 1))
done <<< "$listing"

if [ "$over" -gt 0 ]; then
  echo "$over function(s) over $limit lines: split them into named steps"
  exit 1
fi
exit 0
