#!/usr/bin/env bash
# Installs Debian's gnuplot-nox without questions, as root or through sudo
# when that needs no password; succeeds when gnuplot is there afterwards.
# Used by the example script and by continuous integration (the picture
# tests are skipped, not failed, where it cannot be installed).
command -v gnuplot >/dev/null 2>&1 && exit 0
command -v apt-get >/dev/null 2>&1 || exit 1
sudo=()
if [ "$(id -u)" != 0 ]; then
  command -v sudo >/dev/null 2>&1 || exit 1
  sudo=(sudo -n)
fi
install=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends gnuplot-nox)
echo "Installing gnuplot (Debian package gnuplot-nox) for the pictures"
"${install[@]}" >/dev/null 2>&1 ||
  { "${sudo[@]}" apt-get update >/dev/null 2>&1 && "${install[@]}" >/dev/null 2>&1; } || true
command -v gnuplot >/dev/null 2>&1
