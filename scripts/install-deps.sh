#!/usr/bin/env bash
# Installs the Debian packages quendral needs. Safe to run again: apt-get skips what is
# already there.
#   scripts/install-deps.sh main   what the main job needs: build the plug-in and
#                                  quendral-render, install them, render the demo
#   scripts/install-deps.sh all    that, plus what the tests, benchmarks and cross-builds need
#                                  (the default)
set -euo pipefail
which=${1:-all}

# Build the plug-in (X11 editor drawn with Cairo, Arial-metric fonts), quendral-render
# (libsndfile), quendral-snapshot's private X server (Xvfb) and the demo's source sounds
# (espeak-ng speech, sox, whose `play` plays the demo); the LV2 build's headers (lv2-dev) and
# lilv, through which quendral-render hosts LV2 plug-ins (liblilv-dev);
# libmysofa (linked statically, with zlib) to read a user's own SOFA file.
main_packages=(
  build-essential cmake pkg-config
  libx11-dev libcairo2-dev libfontconfig-dev fonts-liberation fontconfig
  libsndfile1-dev xvfb libmysofa-dev zlib1g-dev
  espeak-ng sox
  lv2-dev liblilv-dev
)

# Only the tests, benchmarks, style check and cross-builds: test frameworks, FFTW as the
# benchmarks' yardstick, ncgen (netcdf-bin) with which the SOFA tests write their files, a
# private X server with input and screenshot tools, third-party VST2 plug-ins and a real
# DAW as hosts' counterparts; LV2 hosts (lv2apply, lv2file, ecasound, jalv on a JACK
# dummy server), and the LV2 validator's
# sord_validate; Qtractor as a CLAP host; oscsend (liblo-tools) as a head tracker; the mingw-w64 cross-compiler and wine for the
# Windows build; clang with its sanitizer and fuzzer runtimes.
test_packages=(
  git ca-certificates time clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libfftw3-dev netcdf-bin
  xauth xdotool imagemagick x11-utils python3-gi gir1.2-gtk-3.0
  lsp-plugins-vst iem-plugin-suite-vst zam-plugins ardour valgrind
  lilv-utils lv2file ecasound sordi jalv jackd2 qtractor liblo-tools
  g++-mingw-w64-x86-64-posix mingw-w64 wine wine64
  clang libclang-rt-14-dev
)

case "$which" in
  main) packages=("${main_packages[@]}") ;;
  all) packages=("${main_packages[@]}" "${test_packages[@]}") ;;
  *)
    echo "usage: $0 [main|all]" >&2
    exit 2
    ;;
esac

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${packages[@]}"
