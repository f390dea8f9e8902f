# Shared by the project's scripts.

# Debian packages the build, the tests, the demo and the fuzzers need.
VEXALINK_PACKAGES=(cmake g++ make libgtest-dev qt6-base-dev libgl-dev srecord binutils
                   iproute2 util-linux clang libclang-rt-14-dev libqt6svg6
                   fonts-dejavu-core)

install_missing() {
  local missing=() p
  for p in "${VEXALINK_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" "$@"
  cmake --build "$dir" -j2
}

# Runs a command in a network namespace of its own with only loopback up, where that is
# possible (root, or user namespaces allowed); otherwise as it is, with a warning.
isolated() {
  if unshare -n true 2>/dev/null; then
    unshare -n bash -c 'ip link set lo up && exec "$@"' bash "$@"
  elif unshare -r -n true 2>/dev/null; then
    unshare -r -n bash -c 'ip link set lo up && exec "$@"' bash "$@"
  else
    echo "warning: no network namespace available; running on the host's loopback" >&2
    "$@"
  fi
}
