# Debian 12 packages Vantrel needs to build, test and run; sourced by the
# set-up scripts.
VANTREL_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  fonts-liberation
  xvfb xauth xdotool
  python3
  chromium
  libcli11-dev
  gpsbabel libxml2-utils desktop-file-utils man-db time
  lintian devscripts
  locales
)

install_missing_packages() {
  local missing=()
  for p in "${VANTREL_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    echo "installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
  # The number-reading tests also run under a comma-decimal locale.
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    local sudo_l=""
    [ "$(id -u)" -ne 0 ] && sudo_l=sudo
    $sudo_l localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "could not generate de_DE.UTF-8; its tests will be skipped"
  fi
}
