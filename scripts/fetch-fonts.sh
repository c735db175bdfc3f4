#!/usr/bin/env bash
# Installs the two interface fonts and their licences under assets/fonts when they are missing.
# The fonts come from npm packages of the Google Fonts collection (SIL Open Font License 1.1).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
fonts="$here/../assets/fonts"

# package name | font file inside the package | installed font | installed licence
entries=(
    "@expo-google-fonts/lilita-one|400Regular/LilitaOne_400Regular.ttf|LilitaOne-Regular.ttf|LilitaOne-OFL.txt"
    "@expo-google-fonts/varela-round|400Regular/VarelaRound_400Regular.ttf|VarelaRound-Regular.ttf|VarelaRound-OFL.txt"
)

all_present() {
    local entry font licence
    for entry in "${entries[@]}"; do
        IFS='|' read -r _ _ font licence <<<"$entry"
        [[ -s "$fonts/$font" && -s "$fonts/$licence" ]] || return 1
    done
}

if all_present; then
    exit 0
fi

if ! command -v npm >/dev/null 2>&1; then
    echo "fetch-fonts: npm is required to fetch the fonts (install the Debian package 'npm')" >&2
    exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$fonts"

for entry in "${entries[@]}"; do
    IFS='|' read -r pkg inner font licence <<<"$entry"
    [[ -s "$fonts/$font" && -s "$fonts/$licence" ]] && continue
    echo "fetch-fonts: fetching $pkg"
    dir="$work/${font%.ttf}"
    mkdir -p "$dir"
    tarball="$(cd "$dir" && npm pack --silent "$pkg" | tail -n 1)"
    if [[ -z "$tarball" || ! -f "$dir/$tarball" ]]; then
        echo "fetch-fonts: npm pack $pkg failed" >&2
        exit 1
    fi
    tar -xzf "$dir/$tarball" -C "$dir"
    if [[ ! -f "$dir/package/$inner" ]]; then
        echo "fetch-fonts: $pkg does not hold $inner" >&2
        exit 1
    fi
    # The font licence: LICENSE_FONT in these packages; fall back to any OFL text they carry.
    licence_src=""
    for candidate in LICENSE_FONT OFL.txt LICENSE.txt; do
        if [[ -f "$dir/package/$candidate" ]]; then
            licence_src="$dir/package/$candidate"
            break
        fi
    done
    if [[ -z "$licence_src" ]]; then
        echo "fetch-fonts: $pkg carries no font licence file" >&2
        exit 1
    fi
    # Copy through temporary names so that an interrupted run leaves no half-written file.
    cp "$dir/package/$inner" "$fonts/$font.part"
    cp "$licence_src" "$fonts/$licence.part"
    mv "$fonts/$font.part" "$fonts/$font"
    mv "$fonts/$licence.part" "$fonts/$licence"
    echo "fetch-fonts: installed $font and $licence"
done
