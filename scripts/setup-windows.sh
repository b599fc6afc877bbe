#!/usr/bin/env bash
# The Windows x64 cross-build's part of scripts/setup.sh, which sources it after the Debian packages
# are in: Debian 13's MinGW-w64 headers, and libpng and libjpeg built for Windows from Debian's
# sources (Debian packages zlib for MinGW, but not these two): Debian 12's, the same releases the
# Linux build links. Everything lands in .deps/.
# Expects from setup.sh: repo_root, deps_dir, say, fail, with_trixie_apt.

mingw_headers_dir="$deps_dir/mingw-w64"
windows_libs_dir="$deps_dir/windows-libs"
# Debian 12's MinGW-w64 10 lacks the Direct2D 1.2/1.3 headers JUCE 8 includes; 12 has them.
mingw_headers_version="12.0.0"

fetch_mingw_headers() {
    if [ -f "$mingw_headers_dir/usr/share/mingw-w64/include/d2d1_3.h" ]; then
        say "MinGW-w64 $mingw_headers_version headers present"
        return
    fi
    local download="$deps_dir/mingw-w64-debs"
    rm -rf "$download" "$mingw_headers_dir"
    mkdir -p "$download" "$mingw_headers_dir"
    (cd "$download" && with_trixie_apt apt-get download mingw-w64-common mingw-w64-x86-64-dev) \
        || fail "could not download Debian trixie's MinGW-w64 headers"
    local deb
    for deb in "$download"/*.deb; do
        case "$(dpkg-deb -f "$deb" Version)" in
            "$mingw_headers_version"*) ;;
            *) fail "$(basename "$deb") is not MinGW-w64 $mingw_headers_version" ;;
        esac
        dpkg-deb -x "$deb" "$mingw_headers_dir"
    done
    rm -rf "$download"
    [ -f "$mingw_headers_dir/usr/share/mingw-w64/include/d2d1_3.h" ] || fail "the MinGW-w64 headers have no d2d1_3.h"
    say "MinGW-w64 $mingw_headers_version headers unpacked into $mingw_headers_dir"
}

# Builds one of Debian's library source packages with the cross compiler into .deps/windows-libs,
# with Debian's copyright file for it in share/doc/PACKAGE/ (the Windows packages ship it, as the
# library is linked into the plug-in). Takes the source package's name, headers
# Debian's -dev package ships beyond the library's own install (space-separated, may be empty),
# and the library's own CMake options.
cross_build_library() {
    local source_package=$1 extra_headers=$2
    shift 2
    local record="$windows_libs_dir/share/doc/$source_package/copyright"
    if [ -f "$record" ]; then
        say "$source_package for Windows present"
        return
    fi
    local work="$deps_dir/windows-src/$source_package"
    rm -rf "$work"
    mkdir -p "$work"
    (cd "$work" && with_trixie_apt apt-get source --download-only "$source_package/bookworm") \
        || fail "could not download the $source_package source from Debian bookworm"
    local dsc
    dsc=$(ls "$work"/*.dsc | head -n 1)
    dpkg-source --no-check -x "$dsc" "$work/tree" >/dev/null || fail "dpkg-source -x $dsc failed"
    say "building $source_package for Windows"
    cmake -S "$work/tree" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$repo_root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_INSTALL_PREFIX="$windows_libs_dir" "$@" >/dev/null \
        || fail "configuring $source_package for Windows failed"
    cmake --build "$work/build" --target install >/dev/null || fail "building $source_package for Windows failed"
    local header
    for header in $extra_headers; do
        install -m 0644 "$work/tree/$header" "$windows_libs_dir/include/" || fail "$source_package has no $header"
    done
    install -D -m 0644 "$work/tree/debian/copyright" "$record"
    rm -rf "$work"
}

setup_windows() {
    fetch_mingw_headers
    cross_build_library libpng1.6 "" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_TOOLS=OFF -DPNG_EXECUTABLES=OFF
    # JUCE reads libjpeg's internal header too, as libjpeg62-turbo-dev ships it.
    cross_build_library libjpeg-turbo jpegint.h \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF
    rm -rf "$deps_dir/windows-src"
}
