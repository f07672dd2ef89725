#!/usr/bin/env bash
# Installs the build into a scratch prefix, moves the prefix elsewhere, and
# runs the moved executable: it must find its helpers in its own
# installation, not only where it was configured to go, and need only libc.
#
# Usage: install_test.sh BUILD_DIR LIBDIR
set -euo pipefail
build=$1
libdir=$2

work=$(mktemp -d /tmp/brimlow-install.XXXXXX)
chmod 0700 "$work"
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/first" >/dev/null
mv "$work/first" "$work/moved"
prefix=$work/moved
for file in bin/brimlow "$libdir"/brimlow/brimlow-{snapshot,test-notify,tray} \
  share/applications/brimlow.desktop share/icons/hicolor/scalable/apps/brimlow.svg; do
  [ -e "$prefix/$file" ] || fail "not installed: $file"
done

needed=$(readelf -d "$prefix/bin/brimlow" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
extra=$(grep -Evx 'lib[cm]\.so\.6|ld-linux.*|lib(a|ub|t)san\.so\.[0-9]+' <<<"$needed" || true)
[[ $needed == *libc.so.6* && -z $extra ]] || fail "bin/brimlow needs more than the C library:" $needed
echo "ok: bin/brimlow needs only the C library"

# A private home and runtime directory; the snapshot runs in its helper.
mkdir -p "$work/home" "$work/empty-bin" "$work/runtime"
status=0
out=$(env -i HOME="$work/home" PATH="$work/empty-bin" XDG_RUNTIME_DIR="$work/runtime" \
  "$prefix/bin/brimlow" --snapshot 2>&1) || status=$?
[ "$status" -eq 0 ] && grep -q '^Codex: 0 usage records' <<<"$out" ||
  fail "--snapshot exited with $status: $out"
echo "ok: the moved installation's --snapshot"
