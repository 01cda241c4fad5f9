#!/usr/bin/env bash
# Installs every Debian package the engine, its tools and its tests need.
# Idempotent: when everything is present it only runs dpkg-query and exits.
# Squirrel 3.1 is not packaged for Debian 12; it comes from the previous
# release's suite, using a sources entry derived from this machine's own.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  libsdl2-dev libglew-dev libgl1-mesa-dev libgl1-mesa-dri libglu1-mesa-dev
  libfaudio-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base
  gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly gstreamer1.0-libav
  gstreamer1.0-tools ffmpeg
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth xdotool libx11-dev
  redis-server libhiredis-dev libsodium-dev
  libfreetype-dev fonts-dejavu-core
)
squirrel_packages=(libsquirrel3-0 libsquirrel-dev squirrel3)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

need=$(missing "${packages[@]}")
need_sq=$(missing "${squirrel_packages[@]}")
if [ -z "$need" ] && [ -z "$need_sq" ]; then
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
if [ -n "$need" ]; then
  # shellcheck disable=SC2086
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends $need
fi

if [ -n "$need_sq" ]; then
  # shellcheck disable=SC2086
  if ! "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends ${squirrel_packages[*]} 2>/dev/null; then
    work=$(mktemp -d)
    chmod 755 "$work"
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/lists/partial" "$work/debs"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      # deb822 form: keep the main archive's stanza, change its suite.
      awk -v RS= -v ORS='\n\n' '/Suites:[^\n]*(bookworm|stable)( |\n|$)/ && !/security/' \
        /etc/apt/sources.list.d/debian.sources |
        sed -E 's/^Suites:.*/Suites: bullseye/' >"$work/bullseye.sources"
      src_opts=(-o "Dir::Etc::SourceList=/nonexistent" -o "Dir::Etc::SourceParts=$work")
    else
      grep -E '^deb ' /etc/apt/sources.list | grep -v security | head -n 1 |
        awk '{ $3 = "bullseye"; print }' >"$work/bullseye.list"
      src_opts=(-o "Dir::Etc::SourceList=$work/bullseye.list" -o "Dir::Etc::SourceParts=/nonexistent")
    fi
    opts=("${src_opts[@]}" -o "Dir::State::Lists=$work/lists" -o "Dir::Cache::archives=$work/debs")
    "${sudo_cmd[@]}" apt-get "${opts[@]}" update -qq
    (cd "$work/debs" && "${sudo_cmd[@]}" apt-get "${opts[@]}" download "${squirrel_packages[@]}")
    "${sudo_cmd[@]}" dpkg -i "$work"/debs/*.deb
  fi
fi
