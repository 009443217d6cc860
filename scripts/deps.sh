#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, only where something is missing.
# Usage: scripts/deps.sh [extra-package ...]
set -euo pipefail
pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev libbz2-dev googletest libgtest-dev libbenchmark-dev
      fonts-noto-cjk
      fonts-ipafont-gothic  # printed pages: faces whose glyphs map back to the ideographs, not to radicals
      poppler-utils  # pdftotext: the printed pages' text layer in the printing tests
      qt6-translations-l10n  # Qt's own Japanese texts for the standard dialogs
      jlha-utils  # LHA compressor: the sample day's predicted-odds archives and the archive import tests
      zip  # Info-ZIP: the split and spanned sets the ZIP tests make
      "$@")
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Run as root or install: ${missing[*]}" >&2; exit 1; }
  sudo=sudo
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
