#!/usr/bin/env bash
# Installs the Debian packages a build or a test run needs; does nothing for those already there.
# Usage: scripts/install-deps.sh build|test|cross|web
# web: the page (scripts/build-web.sh) and its browser test: emscripten and Chromium; the test
# run includes it.
# cross: the other builds tests/cross/run.sh checks (clang with libc++, 64-bit ARM under qemu-user,
# 32-bit x86); the normal test run does not need them.
set -euo pipefail
what=${1:-build}
packages=(cmake ninja-build g++ libedit-dev gettext nlohmann-json3-dev)
if [[ "$what" == test ]]; then
  packages+=(libgtest-dev xvfb xclip xsel sway wl-clipboard g++-mingw-w64-x86-64 wine wine64
             locales clang libclang-rt-14-dev fpc-source python3 time bc tmux vim neovim
             emacs-nox mandoc groff-base dpkg-dev lintian rpm rpmlint wixl msitools unzip)
  # The VS Code extension's build: Debian's node and npm, unless a node with its npm is there.
  command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
fi
if [[ "$what" == test || "$what" == web ]]; then
  packages+=(emscripten chromium python3)
  command -v node >/dev/null 2>&1 || packages+=(nodejs)
fi
if [[ "$what" == cross ]]; then
  # GoogleTest is built from libgtest-dev's sources for these targets.
  # libc6:arm64 gives the ARM programs under qemu the C library's character set converters
  # (iconv's CP932), which the cross compiler's own copy of the library lacks.
  packages+=(libgtest-dev clang libc++-14-dev libc++abi-14-dev g++-aarch64-linux-gnu qemu-user
             libc6:arm64 g++-i686-linux-gnu python3)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  # Another apt or dpkg run (an unattended upgrade, a second build) may hold the package manager's
  # lock: wait for it, up to ten minutes, rather than fail. Older apt lacks the option's waiting
  # for the package lists, so a failed run is tried again while the lock is held.
  apt_waiting() {
    local tries=0 rc err
    err=$(mktemp)
    until $sudo apt-get -o DPkg::Lock::Timeout=600 "$@" 2> >(tee "$err" >&2); do
      rc=$?
      wait $! 2>/dev/null || true  # tee has written all of standard error
      tries=$((tries + 1))
      if ((tries >= 60)) || ! grep -qiE 'could not get lock|unable to lock|is locked' "$err"; then
        rm -f "$err"
        return $rc
      fi
      echo "install-deps: the package manager is busy; trying again in 10 s" >&2
      sleep 10
    done
    rm -f "$err"
  }
  if [[ " ${missing[*]} " == *":arm64 "* ]] && ! dpkg --print-foreign-architectures | grep -qx arm64
  then
    $sudo dpkg --add-architecture arm64
  fi
  apt_waiting update -qq
  apt_waiting install -y -qq --no-install-recommends "${missing[@]}"
fi
if [[ "$what" == test ]] && ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo=sudo
  $sudo sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  $sudo locale-gen >/dev/null
fi
