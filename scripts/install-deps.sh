#!/bin/sh
# Installs the Debian 12 packages that building, testing and remaking the assets need.
# One package a line; run as root (or through sudo).
set -e
apt-get update
apt-get install -y --no-install-recommends \
  build-essential \
  cmake \
  pkg-config \
  libopenmpt-dev \
  libsdl2-dev \
  libgl-dev \
  libgtest-dev \
  libbenchmark-dev \
  libstb-dev \
  libxmp-dev \
  sox \
  ffmpeg \
  openmpt123 \
  xmp
