#!/usr/bin/env bash
# Tests long-functions.sh on a throw-away tree holding the shapes that could
# fool its brace counting: braces in strings, characters and comments, digit
# separators, lambdas in a body and in a constructor's initializer list,
# member initializers in braces, functions inside a class, preprocessor
# lines, templates with default arguments and tests. Each function's
# measured length must be exact.
set -u
scan="$(cd "$(dirname "$0")" && pwd)/long-functions.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/app"
fail=0

# Writes `n` plain statement lines.
filler() { for ((k = 0; k < $1; k++)); do echo "  x += $k;"; done; }

{
  echo '#include <string>'
  echo '#define OPEN {'
  echo 'namespace {'
  echo 'constexpr int kBig = 16'"'"'000'"'"'000;'
  echo 'const int kTable[] = {1, 2};'
  echo 'int Strings(int x) {'            # 1
  echo '  const char* s = "}}{ // /*";'  # 2
  echo '  char c = '"'"'}'"'"';'         # 3
  echo '  /* } */ auto f = [&](int y) { return y; };'  # 4
  filler 56                              # 5..60
  echo '  return x + f(c) + s[0];'       # 61
  echo '}'                               # 62
  echo '}  // namespace'
  echo 'template <typename T = int, class U = T>'  # 1
  echo 'T Tmpl(T x) {'                             # 2
  echo '  if (x) {'                                # 3
  filler 5                                         # 4..8
  echo '  }'                                       # 9
  echo '  return x;'                               # 10
  echo '}'                                         # 11
  echo 'class Holder : public Base {'
  echo ' public:'
  echo '  Holder(int a)'                 # 1
  echo '      : a_{a},'                  # 2
  echo '        f_([this] {'             # 3
  echo '          if (a_) return;'       # 4
  echo '        }) {'                    # 5
  filler 54                              # 6..59
  echo '  }'                             # 60
  echo '  int Get() const { return a_; }'
  echo ' private:'
  echo '  int a_;'
  echo '};'
} > "$work/app/shapes.cc"
{ echo 'void LongTest() {'; filler 80; echo '}'; } > "$work/app/shapes_test.cc"

out=$(bash "$scan" --all "$work")
rc=$?
expect() {
  if ! grep -qE "^ +$1  app/shapes.cc:[0-9]+  $2\$" <<< "$out"; then
    echo "FAIL: expected $2 to measure $1 lines"; fail=1
  fi
}
expect 62 Strings
expect 60 Holder
expect 1 Get
expect 11 Tmpl
[ "$rc" -eq 1 ] || { echo "FAIL: a function of 62 lines passed (rc $rc)"; fail=1; }
grep -q LongTest <<< "$out" && { echo "FAIL: a test file was measured"; fail=1; }
[ "$(wc -l <<< "$out")" -eq 5 ] || { echo "FAIL: expected 4 functions"; fail=1; }
bash "$scan" --limit 62 "$work" > /dev/null || { echo "FAIL: --limit 62 refused 62 lines"; fail=1; }

[ "$fail" -eq 0 ] || { echo "$out"; exit 1; }
echo "long-functions.sh: all cases pass"
