#!/usr/bin/env bash
# Tests check-pure-includes.sh on throw-away trees: a tree whose includes
# all follow the rules must pass, and the same tree with any one of the
# planted violations below must fail and name the offending file.
set -u
check="$(cd "$(dirname "$0")" && pwd)/check-pure-includes.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "file|include" lines: each adds `#include <include>` to `file`.
# Includes that must be accepted, one of each kind the rules allow.
accepted='
text/ascii_text.h|<string>
project/layout.h|"text/ascii_text.h"
project/layout.h|"platform/fs.h"
project/layout.h|"platform/status.h"
project/layout_test.cc|"testing/fake_fs.h"
project/layout_test.cc|"gtest/gtest.h"
text/decimal.cc|"text/ascii_text.h"
project/point_detection.h|"project/layout.h"
project/point_detection.h|"platform/fs.h"
report/blocks.h|"pdf/pdf_canvas.h"
report/blocks_test.cc|"testing/recording_canvas.h"
report/report_io_test.cc|<png.h>
bench/report_bench.cc|"app/main_window.h"
report/report_button_tk.cc|"report/report_tk.h"
report/report_tk.h|"ui/tk_interp.h"
folders/chooser_tk.cc|<tcl.h>
folders/folder_tab_tk_test.cc|"app/main_window.h"
app/main_window.h|"report/report_tk.h"
app/main_window.cc|"app/main_window.h"
app/main.cc|"app/main_window.h"
pdf/pdf_writer.h|"pdf/pdf_document.h"
pdf/pdf_writer.cc|<zlib.h>
platform/adapters_win32_io_test.cc|"app/main_window.h"
platform/fs_posix_io_test.cc|"testing/temp_dir.h"
platform/tk_interp_bench.cc|"heights/catalogue.h"
testing/gui_fixture.h|"app/main_window.h"
testing/recording_canvas.h|"text/utf8_text.h"
fuzz/codes_fuzz.cc|"folders/codes.h"
delivery/package_file_zlib.cc|<zlib.h>
delivery/manifest.h|"project/layout.h"
delivery/package_writer.h|"pdf/pdf_canvas.h"
delivery/package_file_io_test.cc|"testing/temp_dir.h"
'

# Includes that must be refused, one tree each.
refused='
heights/conversion.cc|<tk.h>
report/blocks_test.cc|<qpdf/QPDF.hh>
pdf/pdf_writer.h|"report/pdf_document.h"
platform/rinex_files.h|"rinex/rinex_header.h"
platform/fs_posix.cc|"text/ascii_text.h"
platform/fs.h|"project/layout.h"
platform/single_instance_posix.cc|"ui/tk_interp.h"
platform/shell_open.h|"app/resource_path.h"
heights/row_rules.cc|"heights/heights_tab_tk.h"
report/report.cc|"ui/tk_interp.h"
folders/codes.h|"app/main_window.h"
folders/preview_tk.cc|"app/main_window.h"
fuzz/codes_fuzz.cc|"app/main_window.h"
text/ascii_text.h|"platform/status.h"
text/utf8.cc|"heights/row_rules.h"
pdf/pdf_writer.cc|"report/blocks.h"
image/photo_decode.cc|"photos/photo_report.h"
project/layout.cc|"heights/catalogue.h"
project/layout.cc|"pdf/pdf_writer.h"
project/layout.h|"folders/tree_plan.h"
project/layout_test.cc|"report/report.h"
delivery/zip_writer.cc|<zlib.h>
delivery/manifest.cc|"report/blocks.h"
delivery/zip_writer.h|"ui/tk_interp.h"
'

plant() {  # plant TREE LINES
  local line file include
  while IFS= read -r line; do
    [ -n "$line" ] || continue
    file=${line%%|*}
    include=${line#*|}
    mkdir -p "$1/$(dirname "$file")"
    echo "#include $include" >>"$1/$file"
  done <<<"$2"
}

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

plant "$work/clean" "$accepted"
out=$("$check" "$work/clean" 2>&1)
rc=$?
if [ $rc -ne 0 ] || [ "$(tail -n 1 <<<"$out")" != "1 passed, 0 failed" ]; then
  fail "a tree that follows the rules was refused (exit $rc):"
  echo "$out"
fi

n=0
while IFS= read -r planted; do
  [ -n "$planted" ] || continue
  n=$((n + 1))
  tree="$work/refused$n"
  cp -R "$work/clean" "$tree"
  plant "$tree" "$planted"
  file=${planted%%|*}
  out=$("$check" "$tree" 2>&1)
  rc=$?
  if [ $rc -ne 1 ] || ! grep -q -F "$file:" <<<"$out" ||
      grep -q -F "1 passed" <<<"$out"; then
    fail "#include ${planted#*|} in $file was not refused (exit $rc):"
    echo "$out"
  fi
done <<<"$refused"

if [ $failures -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "$((n + 1)) passed, 0 failed"
