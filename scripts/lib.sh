# Shared by the scripts: the Debian packages the project needs and how to get them.
# shellcheck shell=bash

# What building and running the tool needs.
RUN_PACKAGES=(cmake ninja-build g++ qt6-base-dev libx11-dev libxres-dev libxtst-dev
              fonts-wqy-microhei)
# What the test suite needs on top: GoogleTest, a virtual X server with xauth,
# a window manager and X clients to pick, the tools that drive the pointer.
TEST_PACKAGES=("${RUN_PACKAGES[@]}" libgtest-dev xvfb xauth x11-utils x11-apps xdotool
               openbox clang libclang-rt-14-dev)
# What the benchmarks compare against.
BENCH_PACKAGES=("${TEST_PACKAGES[@]}" libbenchmark-dev python3-psutil imagemagick)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs whichever of the named packages are missing; does nothing when all are there.
ensure_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# A private runtime folder, so that Qt does not complain about a missing one.
ensure_runtime_dir() {
  if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    chmod 700 "$XDG_RUNTIME_DIR"
    export XDG_RUNTIME_DIR
  fi
}

# Runs a command under a fresh Xvfb on a free display.
with_xvfb() {
  ensure_runtime_dir
  xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"
}
