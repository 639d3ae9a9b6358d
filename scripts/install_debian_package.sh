#!/usr/bin/env bash
# Usage: install_debian_package.sh PACKAGE COMMAND
# Installs the Debian package PACKAGE without questions when COMMAND is not
# on the PATH, as root or through sudo when that needs no password; when the
# first attempt fails the package lists are updated and it is tried again.
# Succeeds when COMMAND is there afterwards. Used by the example script and
# by continuous integration (tests that need a missing tool are skipped).
if [ "$#" -ne 2 ]; then
  echo "usage: $0 PACKAGE COMMAND" >&2
  exit 2
fi
package=$1
command=$2
command -v "$command" >/dev/null 2>&1 && exit 0
command -v apt-get >/dev/null 2>&1 || exit 1
sudo=()
if [ "$(id -u)" != 0 ]; then
  command -v sudo >/dev/null 2>&1 || exit 1
  sudo=(sudo -n)
fi
install=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$package")
echo "Installing $command (Debian package $package)"
"${install[@]}" >/dev/null 2>&1 ||
  { "${sudo[@]}" apt-get update >/dev/null 2>&1 && "${install[@]}" >/dev/null 2>&1; } || true
command -v "$command" >/dev/null 2>&1
