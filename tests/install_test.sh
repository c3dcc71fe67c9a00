#!/usr/bin/env bash
# `cmake --install` into a temporary DESTDIR puts exactly the expected files
# under /usr, each the right one; nothing of the tests or benchmarks.
set -euo pipefail
build=$1 source=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

# The documentation keeps the source folder's layout: the README, the
# changelog, and under docs/ the option table, the benchmarks, the guide and
# the pictures.
docs=$(cd "$source" && { echo README.md; echo CHANGELOG.md; echo docs/options.md
  echo docs/benchmarks.md; ls docs/*.jpg; find docs/guide -name '*.md'; } | sort)
expected=$({ printf '%s\n' usr/bin/marl usr/lib/marl/marl-video.so usr/share/bash-completion/completions/marl \
  usr/share/man/man1/marl.1; sed 's|^|usr/share/doc/marl/|' <<<"$docs"; } | sort)
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
for doc in $docs; do
  check cmp -s "$source/$doc" "$root/usr/share/doc/marl/$doc"
done
check cmp -s "$build/marl-video.so" "$root/usr/lib/marl/marl-video.so"
# The installed guide's links reach what is installed beside it; only the
# man page is elsewhere.
check bash "$source/tests/doc_links.sh" "$root/usr/share/doc/marl" '\.1$'
version=$("$root/usr/bin/marl" --version)
[[ $version =~ ^marl\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "installed marl --version printed '$version'"; status=1; }
# The installed program finds its video module: an MP4 is made and its
# recipe read back.
work=$(mktemp -d)
trap 'rm -rf "$root" "$work"' EXIT
if (cd "$work" && "$root/usr/bin/marl" frames=2 size=40 video=mp4 keepframes=false >out 2>err); then
  video=$(ls "$work"/*.mp4)
  (cd "$work" && "$root/usr/bin/marl" file="$video" frames=2 size=40 \
     keepframes=false video=gif >/dev/null 2>>err) ||
    { echo "installed marl cannot read its MP4's recipe:"; cat "$work/err"; status=1; }
else
  echo "installed marl cannot make an MP4:"; cat "$work/err"; status=1
fi
exit $status
