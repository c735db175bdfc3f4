#!/usr/bin/env bash
# Installs what the build needs and is missing: Debian packages from scripts/apt-packages.txt and
# the fonts from the npm registry.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

missing=()
while read -r pkg; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done < "$here/apt-packages.txt"

sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The interface fonts come from the npm registry.
if ! command -v npm >/dev/null 2>&1; then
    echo "setup: installing npm"
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends npm
fi
"$here/fetch-fonts.sh"
