#!/usr/bin/env bash
# `cmake --install` into a temporary DESTDIR puts exactly the expected files
# under /usr, each the right one; nothing of the tests or benchmarks.
set -euo pipefail
build=$1 source=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

expected="usr/bin/marl
usr/share/bash-completion/completions/marl
usr/share/doc/marl/README.md
usr/share/doc/marl/example-attractor.jpg
usr/share/doc/marl/example-enlarged.jpg
usr/share/doc/marl/example-tiled.jpg
usr/share/doc/marl/example-tiling.jpg
usr/share/doc/marl/palettes.jpg
usr/share/man/man1/marl.1"
actual=$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort)
if [ "$actual" != "$expected" ]; then
  echo "installed files differ from the expected ones:"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi

status=0
check() { "$@" || { echo "failed: $*"; status=1; }; }
check test -x "$root/usr/bin/marl"
check cmp -s "$build/marl" "$root/usr/bin/marl"
check cmp -s "$source/docs/marl.1" "$root/usr/share/man/man1/marl.1"
check cmp -s "$source/completions/marl.bash" "$root/usr/share/bash-completion/completions/marl"
check cmp -s "$source/README.md" "$root/usr/share/doc/marl/README.md"
for picture in example-attractor.jpg example-enlarged.jpg example-tiled.jpg \
    example-tiling.jpg palettes.jpg; do
  check cmp -s "$source/docs/$picture" "$root/usr/share/doc/marl/$picture"
done
version=$("$root/usr/bin/marl" --version)
[[ $version =~ ^marl\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "installed marl --version printed '$version'"; status=1; }
exit $status
