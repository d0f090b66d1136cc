#!/usr/bin/env bash
# Checks that #include lines point one way: the composition root (app/) on
# top, the window glue, the pure units of app/ ui/ folders/ heights/
# measurements/ rinex/ report/ dossier/ photos/ delivery/, then project/,
# the bindings pdf/ and image/, text/, and platform/ at the bottom. Fails, printing every
# offending line, when
#   - a pure unit (tests included) includes a Tcl, Tk, PDF, image,
#     archive or zlib header: those belong to platform/, pdf/, image/, the
#     Tcl binding (ui/tk_interp*), the zlib binding of delivery/
#     (delivery/*_zlib.cc) and the window glue;
#   - a file of platform/ (tests aside) includes a header of any other
#     folder of the project but testing/;
#   - a file of pdf/ or image/ (tests aside) includes one of any folder but
#     pdf/, image/, text/ and platform/;
#   - a pure unit includes window glue (*_tk.h, app/main_window.h,
#     ui/tk_interp.h);
#   - a file outside app/ includes app/main_window.h (tests, benchmarks and
#     testing/ may, to build the whole program);
#   - delivery/ includes a header of any folder but delivery/, project/,
#     pdf/, text/ and platform/ (its tests may add testing/);
#   - text/ includes any of the project's headers but its own, or project/
#     any but its own, text/'s and the platform interfaces fs.h and status.h
#     (their tests may add the doubles of testing/).
# Glue is *_tk.cc, *_tk.h, ui/tk_interp*, app/main_window.* and app/main.cc;
# tests are *_test.cc (with *_io_test.cc and *_tk_test.cc) and *_bench.cc.
#
# Usage: check-pure-includes.sh [ROOT]   (ROOT: the repository by default)
set -u
root=${1:-"$(dirname "$0")/.."}
cd "$root" || exit 1

dirs=()
for d in app ui folders heights measurements rinex report dossier photos delivery project pdf image text platform bench testing fuzz tools; do
  [ -d "$d" ] && dirs+=("$d")
done
if [ ${#dirs[@]} -eq 0 ]; then
  echo "no source folders under $(pwd)"; exit 1
fi

report=$(
  find "${dirs[@]}" -type f \( -name '*.h' -o -name '*.cc' \) -print0 |
    sort -z | xargs -0 -r grep -H -n -E '^[[:space:]]*#[[:space:]]*include' |
    awk '
    BEGIN {
      # The folders whose files are pure units unless named as glue or
      # tests, as CMakeLists.txt sorts them; platform/ sits below them all.
      split("app ui folders heights measurements rinex report dossier photos delivery project text", a, " ")
      for (i in a) pure_dir[a[i]] = above_platform[a[i]] = project_dir[a[i]] = 1
      split("pdf image bench fuzz tools", b, " ")
      for (i in b) above_platform[b[i]] = project_dir[b[i]] = 1
      split("pdf image text platform", c, " ")
      for (i in c) below_bindings[c[i]] = 1
      project_dir["platform"] = project_dir["testing"] = 1
    }
    function flag(rule, where) { bad[rule] = bad[rule] where "\n" }
    {
      # grep -H -n gives "file:line:text".
      file = $0; sub(/:.*/, "", file)
      rest = substr($0, length(file) + 2)
      line = rest; sub(/:.*/, "", line)
      text = substr(rest, length(line) + 2)
      where = file ":" line ": " text

      header = text
      sub(/^[^"<]*[<"]/, "", header); sub(/[>"].*$/, "", header)
      dir = file; sub(/\/.*/, "", dir)
      hdir = (header ~ /\//) ? header : ""; sub(/\/.*/, "", hdir)
      own = (hdir in project_dir)

      test = (file ~ /_test\.cc$/ || file ~ /_bench\.cc$/)
      glue = (file ~ /_tk\.(cc|h)$/ || file ~ /^app\/main_window\.(h|cc)$/ ||
              file ~ /^ui\/tk_interp[^\/]*\.(h|cc)$/ ||
              file == "app/main.cc")
      binding = (file ~ /^delivery\/[^\/]*_zlib\.cc$/)
      pure = ((dir in pure_dir) && !glue && !binding)
      unit = (pure && !test)

      if (pure && file !~ /_(io|tk)_test\.cc$/ && file !~ /_bench\.cc$/ &&
          header ~ /^(tcl|tk|hpdf|png|qpdf\/|X11\/|archive|turbojpeg|jpeglib|libexif\/|zlib)/) {
        flag("pure files include platform headers:", where)
      }
      if (dir == "platform" && !test && (hdir in above_platform)) {
        flag("platform/ includes a header from above it:", where)
      }
      if ((dir == "pdf" || dir == "image") && !test && own &&
          !(hdir in below_bindings)) {
        flag("pdf/ or image/ includes a header from above them:", where)
      }
      if (unit && (header ~ /_tk\.h$/ || header == "app/main_window.h" ||
                   header == "ui/tk_interp.h")) {
        flag("pure units include window glue:", where)
      }
      if (header == "app/main_window.h" && dir != "app" && !test &&
          dir != "testing") {
        flag("files outside app/ include the main window (app/main_window.h):",
             where)
      }
      if (dir == "delivery" && own && hdir != "delivery" && hdir != "project" &&
          hdir != "pdf" && hdir != "text" && hdir != "platform" &&
          !(test && hdir == "testing")) {
        flag("delivery/ includes the project outside delivery/, project/, " \
             "pdf/, text/ and platform/:", where)
      }
      if (dir == "text" && own && hdir != "text" &&
          !(test && hdir == "testing")) {
        flag("text/ includes the project outside text/:", where)
      }
      if (dir == "project" && own && hdir != "project" && hdir != "text" &&
          header != "platform/fs.h" && header != "platform/status.h" &&
          !(test && hdir == "testing")) {
        flag("project/ includes the project outside project/, text/, " \
             "platform/fs.h and platform/status.h:", where)
      }
    }
    END {
      for (rule in bad) printf "%s\n%s", rule, bad[rule]
    }')

if [ -n "$report" ]; then
  echo "$report"
  exit 1
fi
echo "1 passed, 0 failed"
