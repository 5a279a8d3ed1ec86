#!/usr/bin/env bash
# The .deb as a user gets it: made by cpack, unpacked (never installed) into a scratch root, its
# client started there with a scratch home against the packaged reference service under Xvfb.
# Checks the declared dependencies, the menu entry and icons, that the client reaches its sign-in
# screen with its own files in the user's data folder, owner-only, and that the unpacked tree is
# left exactly as it was.
#   DebPackageTest.sh BUILD_DIR CPACK
set -euo pipefail
build=$1
cpack=$2
work=$(mktemp -d)
service_pid=""
cleanup() {
  [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null && wait "$service_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
check() { # check WHAT ACTUAL EXPECTED
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1: expected '$3', got '$2'" >&2
    failures=$((failures + 1))
  fi
}
mode() { stat -c %a "$1" 2>/dev/null || echo missing; }
png_size() { # width x height from the PNG header
  local bytes
  bytes=($(od -An -tu1 -j16 -N8 "$1"))
  echo "$(((bytes[0] << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3]))x$(((bytes[4] << 24) | (bytes[5] << 16) | (bytes[6] << 8) | bytes[7]))"
}
snapshot() { # every entry's mode, size and time, and every file's content
  (cd "$1" && find . -printf '%p %M %s %T@\n' | sort && find . -type f -exec sha256sum {} + | sort)
}

# ---- the package ----
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack" >&2
  exit 1
fi
deb=$(ls "$work"/out/*.deb)
check "package name" "$(dpkg-deb -f "$deb" Package)" "penlark"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6printsupport6 libsqlite3-0 libjsoncpp25 libgif7 qt6-qpa-plugins fonts-noto-cjk fonts-arphic-uming; do
  check "declared dependency $needed" "$(grep -o "\b$needed\b" <<<"$depends" | head -n1)" "$needed"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
program=$root/usr/lib/penlark
for file in penlark platform-service essay-tool write.dll penlark.installed img/skin.xml img/login.png; do
  check "shipped $file" "$([ -f "$program/$file" ] && echo present || echo missing)" "present"
done
for command in penlark platform-service essay-tool; do
  check "command $command" "$([ -x "$root/usr/bin/$command" ] && echo executable || echo missing)" "executable"
done
desktop=$root/usr/share/applications/penlark.desktop
check "menu entry's Chinese name" "$(grep '^Name\[zh_CN\]=' "$desktop")" "Name[zh_CN]=墨韵阁中文写作平台"
check "menu entry's command" "$(grep '^Exec=' "$desktop")" "Exec=penlark"
check "menu entry's icon" "$(grep '^Icon=' "$desktop")" "Icon=penlark"
for size in 16 32 48 64 128 256; do
  icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/penlark.png
  check "icon ${size}" "$([ -f "$icon" ] && png_size "$icon")" "${size}x${size}"
done

# ---- the installed programs, run as a user would ----
snapshot "$root" >"$work/before"

"$program/platform-service" --port 0 --db "$work/service.db" --data "$root/usr/share/penlark/data" \
  >"$work/service.out" 2>"$work/service.err" &
service_pid=$!
for _ in $(seq 100); do
  [ -s "$work/service.out" ] && break
  sleep 0.1
done
address=$(head -n1 "$work/service.out")
host=${address#http://}
host=${host%/}
check "packaged service's address" "$(grep -c '^http://127.0.0.1:[0-9]*/$' <<<"$address")" "1"

# A settings file the user already has, readable to others: it is kept, and closed.
home=$work/home
data=$home/.local/share/penlark
mkdir -p "$data"
chmod 755 "$data"
printf '[StartPage]\r\nShow=0\r\n[Service]\r\nHost=%s\r\n' "$host" >"$data/config.ini"
chmod 644 "$data/config.ini"

# The client runs until its sign-in window shows (at most 60 s), then is ended.
window=$(env -u XDG_DATA_HOME -u QT_QPA_PLATFORM HOME="$home" xvfb-run -a bash -c '
  "$1" >"$2/client.log" 2>&1 &
  client=$!
  found=""
  for _ in $(seq 120); do
    id=$(xdotool search --onlyvisible --name "^penlark$" 2>/dev/null | head -n1) || true
    if [ -n "$id" ]; then
      found=$(xdotool getwindowgeometry "$id" | sed -n "s/ *Geometry: //p")
      break
    fi
    kill -0 "$client" 2>/dev/null || break
    sleep 0.5
  done
  alive=$(kill -0 "$client" 2>/dev/null && echo running || echo ended)
  kill "$client" 2>/dev/null
  wait "$client" 2>/dev/null
  echo "$found $alive"
' client "$program/penlark" "$work")
check "sign-in window (size, client state)" "$window" "1024x700 running"
[ "$window" = "1024x700 running" ] || cat "$work/client.log" >&2

check "user data folder's mode" "$(mode "$data")" "700"
check "write.dll's mode" "$(mode "$data/write.dll")" "600"
check "write.dll seeded from the shipped copy" "$(cmp -s "$data/write.dll" "$program/write.dll" && echo same || echo different)" "same"
check "config.ini's mode" "$(mode "$data/config.ini")" "600"
check "the user's config.ini kept" "$(grep -c "^Host=$host" "$data/config.ini")" "1"

snapshot "$root" >"$work/after"
check "unpacked tree unchanged" "$(diff "$work/before" "$work/after" | head -n5)" ""

[ "$failures" -eq 0 ] && echo "package test passed"
exit "$((failures > 0))"
