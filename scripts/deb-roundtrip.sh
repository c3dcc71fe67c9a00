#!/usr/bin/env bash
# Builds the Debian package in build/release, installs it with dpkg, runs
# marl from the PATH and finds its man page, removes it again and checks
# that none of its files is left. Needs root and dpkg-dev (dpkg-shlibdeps);
# it changes the system, so CI does not run it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release

[ -f "$build/CMakeCache.txt" ] || cmake --preset release
cmake --build --preset release --target marl
(cd "$build" && rm -f marl_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/marl_*.deb)
echo "== $deb"
dpkg-deb --field "$deb" Package Version Architecture Section Depends
dpkg-deb --contents "$deb" | awk '{print $6}'

dpkg -i "$deb"
echo "== from the PATH: $(command -v marl)"
marl --version
echo "== man page: $(man -w marl)"

# Paths the package holds, from the archive itself.
mapfile -t paths < <(dpkg-deb --contents "$deb" | awk '{print $6}' | sed -e 's|^\.||' -e 's|/$||' | grep .)
dpkg -r marl
status=0
for path in "${paths[@]}"; do
  if [ -d "$path" ]; then
    # A folder may stay only when another package still owns it.
    dpkg -S "$path" >/dev/null 2>&1 || { echo "left behind: $path/"; status=1; }
  elif [ -e "$path" ] || [ -L "$path" ]; then
    echo "left behind: $path"; status=1
  fi
done
[ $status -eq 0 ] && echo "== removed: none of the ${#paths[@]} packaged paths is left"
exit $status
