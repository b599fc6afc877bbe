#!/usr/bin/env bash
# Installs everything TARNGLOAM needs to build and test on Debian 12, and fetches JUCE 8.0.6.
#
# JUCE 8 is not packaged for Debian 12, so we take the source package from Debian 13 (trixie)
# through a private apt configuration: the machine's own apt sources are never touched.
# Idempotent: when everything is already present it finishes in seconds.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps_dir="$repo_root/.deps"
juce_dir="$deps_dir/JUCE"
# The exact Debian source version: JUCE 8.0.6 with Debian's patches, revision 2. Nothing else is
# taken in its place, so every machine builds against the same tree.
juce_version="8.0.6"
juce_source_version="$juce_version+ds-2"

say()  { printf '[setup] %s\n' "$*"; }
fail() { printf '[setup] error: %s\n' "$*" >&2; exit 1; }

packages=(
    cmake ninja-build g++ pkg-config ccache dpkg-dev patch
    libx11-dev libxext-dev libxrandr-dev libxinerama-dev libxcursor-dev libxcomposite-dev
    libfreetype-dev libfontconfig1-dev libasound2-dev
    zlib1g-dev libpng-dev libjpeg-dev
    libgtest-dev libbenchmark-dev
    xvfb xauth fonts-dejavu-core python3 valgrind
    lilv-utils liblilv-dev lv2-dev
    lintian desktop-file-utils sox sndfile-programs
    clang libclang-rt-14-dev llvm
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
    wine64 fonts-wine ttf-bitstream-vera nsis zip unzip python3-pefile
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        say "Debian packages present"
        return
    fi
    say "installing: ${missing[*]}"
    as_root apt-get update -qq || fail "apt-get update failed"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" \
        || fail "apt-get install failed for: ${missing[*]}"
}

# The URI of the machine's configured Debian archive (not the security archive), read from /etc/apt.
debian_mirror_uri() {
    local uri=""
    local files=(/etc/apt/sources.list.d/*.sources)
    for f in "${files[@]}"; do
        [ -f "$f" ] || continue
        uri=$(awk '/^URIs:/ { for (i = 2; i <= NF; i++) if ($i !~ /security/ && $i ~ /debian\/?$/) { print $i; exit } }' "$f")
        [ -n "$uri" ] && break
    done
    if [ -z "$uri" ]; then
        for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
            [ -f "$f" ] || continue
            uri=$(awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { if ($i !~ /security/ && $i ~ /debian\/?$/) { print $i; exit } break } }' "$f")
            [ -n "$uri" ] && break
        done
    fi
    [ -n "$uri" ] || fail "could not find a Debian mirror URI in /etc/apt"
    printf '%s\n' "${uri%/}"
}

# The Debian version of the unpacked tree, from its changelog ("" when there is none).
unpacked_juce_version() {
    [ -f "$juce_dir/debian/changelog" ] || return 0
    dpkg-parsechangelog -l "$juce_dir/debian/changelog" -S Version 2>/dev/null || true
}

# The project's changes to JUCE, as one patch; the unpacked tree records which patch it carries.
juce_patch="$repo_root/patches/juce.patch"
patch_stamp="$juce_dir/.tarngloam-patch"
wanted_patch=$(sha256sum "$juce_patch" | cut -d' ' -f1)

# Runs an apt command against Debian trixie (binaries and sources), and bookworm's sources, through
# a private configuration in .deps/apt: the machine's own apt sources and state are never touched.
with_trixie_apt() {
    local apt_dir="$deps_dir/apt"
    local apt_opts=(
        -o "Dir::Etc::sourcelist=$apt_dir/sources.list"
        -o "Dir::Etc::sourceparts=/dev/null"
        -o "Dir::State::Lists=$apt_dir/lists"
        -o "Dir::Cache=$apt_dir/cache"
        -o "APT::Sandbox::User=root"
    )
    local mirror sources
    mirror=$(debian_mirror_uri)
    sources=$(printf '%s [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] %s %s main\n' \
        deb "$mirror" trixie deb-src "$mirror" trixie deb-src "$mirror" bookworm)
    if [ ! -f "$apt_dir/lists/.updated" ] || [ "$(cat "$apt_dir/sources.list")" != "$sources" ]; then
        say "reading Debian's package lists ($mirror)"
        rm -rf "$apt_dir"
        mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
        printf '%s\n' "$sources" > "$apt_dir/sources.list"
        apt-get "${apt_opts[@]}" update -qq || fail "apt-get update for the private source list failed"
        touch "$apt_dir/lists/.updated"
    fi
    local command=$1
    shift
    "$command" "${apt_opts[@]}" "$@"
}

# Downloads Debian's source package once into .deps/juce-src (kept, so a changed patch is applied
# to a fresh unpack without going back to the network).
download_juce_source() {
    ls "$deps_dir"/juce-src/juce_*.dsc >/dev/null 2>&1 && return
    say "fetching JUCE $juce_source_version source from Debian trixie"
    rm -rf "$deps_dir/juce-src"
    mkdir -p "$deps_dir/juce-src"
    (cd "$deps_dir/juce-src" && with_trixie_apt apt-get source --download-only "juce=$juce_source_version") \
        || fail "Debian trixie does not offer the juce source $juce_source_version; refusing to build against another version"
}

fetch_juce() {
    if [ "$(unpacked_juce_version)" = "$juce_source_version" ] && [ -f "$juce_dir/CMakeLists.txt" ] \
       && [ "$(cat "$patch_stamp" 2>/dev/null)" = "$wanted_patch" ]; then
        say "JUCE $juce_source_version (patched) present in $juce_dir"
        return
    fi

    download_juce_source
    local dsc
    dsc=$(ls "$deps_dir"/juce-src/juce_*.dsc 2>/dev/null | head -n 1)
    [ -n "$dsc" ] || fail "no juce .dsc was downloaded"
    rm -rf "$juce_dir"
    dpkg-source --no-check -x "$dsc" "$juce_dir" >/dev/null || fail "dpkg-source -x $dsc failed"
    local unpacked
    unpacked=$(unpacked_juce_version)
    [ "$unpacked" = "$juce_source_version" ] \
        || fail "the unpacked JUCE is version '$unpacked', not $juce_source_version"
    grep -q "VERSION $juce_version" "$juce_dir/CMakeLists.txt" \
        || fail "the unpacked JUCE's CMakeLists.txt does not say VERSION $juce_version"
    (cd "$juce_dir" && patch -p1 --quiet --forward < "$juce_patch") || fail "patches/juce.patch does not apply"
    printf '%s\n' "$wanted_patch" > "$patch_stamp"
    say "JUCE $juce_source_version unpacked into $juce_dir and patched"
}

install_packages
fetch_juce
# shellcheck source=scripts/setup-windows.sh
source "$repo_root/scripts/setup-windows.sh"
setup_windows
rm -rf "$deps_dir/apt"
say "done"
