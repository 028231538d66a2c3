#!/usr/bin/env bash
# Installs those of the given Debian packages that are not installed yet, with
# apt-get (through sudo when not root); does nothing when all are there.
#   scripts/install-packages.sh [APT-OPTION...] PACKAGE...
# Arguments starting with "-" go to apt-get install.
set -euo pipefail

options=()
missing=()
for argument in "$@"; do
  if [[ "$argument" == -* ]]; then
    options+=("$argument")
  elif ! dpkg-query -W -f='${Status}' "$argument" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$argument")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${options[@]}" "${missing[@]}"
