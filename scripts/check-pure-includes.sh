#!/usr/bin/env bash
# The pure logic under app/, folders/, heights/, report/ and project/ must
# compile without Tcl, Tk, PDF, image or archive headers. Window glue (*_tk.cc, zarvek_core)
# and platform/ are the only places allowed to include them.
set -u
cd "$(dirname "$0")/.."
bad=$(grep -n -E '#include\s*[<"](tcl|tk|hpdf|png|qpdf/|X11/|archive)' \
  $(find app folders heights report project -maxdepth 1 -type f -name '*.[ch]*' |
    grep -v -E '_tk\.cc$|_tk_test\.cc$|_io_test\.cc$|_bench\.cc$|app/zarvek_core\.|app/main\.cc') || true)
if [ -n "$bad" ]; then
  echo "pure files include platform headers:"; echo "$bad"; exit 1
fi
echo "1 passed, 0 failed"
