#!/usr/bin/env bash
# Usage: install_debian_package.sh PACKAGE COMMAND
#        install_debian_package.sh --python-module PACKAGE MODULE [PYTHON]
# Installs the Debian package PACKAGE without questions when COMMAND is not
# on the PATH (with --python-module: when PYTHON, by default Debian's
# /usr/bin/python3, cannot import MODULE), as root or through sudo when that
# needs no password; when the first attempt fails the package lists are
# updated and it is tried again. Succeeds when COMMAND (MODULE) is there
# afterwards. Used by the example script, the test script and continuous
# integration (tests that need a missing tool are skipped).
python=
if [ "${1:-}" = "--python-module" ]; then
  shift
  python=${3:-/usr/bin/python3}
  if [ "$#" -eq 2 ] || [ "$#" -eq 3 ]; then set -- "$1" "$2"; else set --; fi
fi
if [ "$#" -ne 2 ]; then
  echo "usage: $0 PACKAGE COMMAND" >&2
  echo "       $0 --python-module PACKAGE MODULE [PYTHON]" >&2
  exit 2
fi
package=$1
command=$2
present() {
  if [ -n "$python" ]; then
    "$python" -c "import $command" >/dev/null 2>&1
  else
    command -v "$command" >/dev/null 2>&1
  fi
}
present && exit 0
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
present
