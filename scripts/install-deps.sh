#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the demo need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
  build-essential cmake pkg-config git ca-certificates \
  libgtest-dev libgmock-dev libbenchmark-dev \
  libmysofa-dev libfftw3-dev libsndfile1-dev \
  libx11-dev libcairo2-dev libfontconfig-dev fonts-liberation fontconfig \
  xvfb xauth xdotool imagemagick x11-utils \
  espeak-ng sox time \
  lsp-plugins-vst iem-plugin-suite-vst ardour valgrind
