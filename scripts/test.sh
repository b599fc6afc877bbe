#!/usr/bin/env bash
# Runs every test: the release build (with the packages and a Valgrind run of the state tests), the
# whole suite again under AddressSanitizer + UBSan, the Windows build under Wine (its VST3 host tests,
# the DLL, the comparison with the Linux build, the packages and the installer), the fuzz targets
# replaying their corpora and every crash input found so far, and the concurrency test under
# ThreadSanitizer.
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$repo_root/scripts/setup.sh"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

for flavour in release asan; do
    echo "[test] building and testing the $flavour build"
    "$repo_root/scripts/build.sh" "$flavour"
    build_dir="$repo_root/build"
    [ "$flavour" = asan ] && build_dir="$repo_root/build-asan"
    # Editor tests draw with JUCE's graphics; a virtual display keeps them headless.
    xvfb-run -a ctest --test-dir "$build_dir" --output-on-failure
    if [ "$flavour" = release ]; then
        # A saved state comes from outside: Valgrind's memcheck watches every byte the restore
        # reads, including inside JUCE's XML parser, which the sanitizer build does not instrument.
        echo "[test] the state tests under Valgrind"
        xvfb-run -a valgrind -q --error-exitcode=1 "$build_dir/tests/tarngloam_tests" --gtest_filter='State.*:Parameters.*'
    fi
done

echo "[test] the Windows build under Wine, and against the Linux build"
"$repo_root/scripts/build.sh" windows
wine_prefix=$(mktemp -d)
trap 'WINEPREFIX="$wine_prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$wine_prefix"' EXIT
WINEPREFIX="$wine_prefix" ctest --test-dir "$repo_root/build-windows" --output-on-failure
WINEPREFIX="$wine_prefix" "$repo_root/tests/windows/check_against_linux.sh" "$repo_root/build" "$repo_root/build-windows"
echo "[test] the Windows packages, and the installer's round trip under Wine"
"$repo_root/packaging/windows/make-packages.sh" "$repo_root/build-windows" "$wine_prefix/dist"
"$repo_root/tests/windows/check_windows_packages.sh" "$wine_prefix/dist/"TARNGLOAM-*-windows-x64.zip \
    "$wine_prefix/dist/"TARNGLOAM-*-windows-x64-setup.exe "$repo_root/build-windows" \
    "$repo_root/build/TarnGloam_artefacts/Release/VST3/TARNGLOAM.vst3"

echo "[test] the fuzz targets over their corpora and past crash inputs"
"$repo_root/scripts/build.sh" fuzz
ASAN_OPTIONS="detect_leaks=0:abort_on_error=1" ctest --test-dir "$repo_root/build-fuzz" --output-on-failure

echo "[test] the concurrency test under ThreadSanitizer"
"$repo_root/scripts/build.sh" tsan
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" xvfb-run -a ctest --test-dir "$repo_root/build-tsan" --output-on-failure
