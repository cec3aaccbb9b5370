# Sourced by ./dev and the scripts in tools/: installs the Debian packages named that are
# missing (as root, or through sudo), so that every command works on a fresh Debian 12 machine.
need() {
  local missing=()
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  if ((${#missing[@]})); then
    echo "installing ${missing[*]}" >&2
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
      "${missing[@]}" >/dev/null
  fi
}

# What builds the core and the command line, and what the window adds.
base_packages=(cmake ninja-build g++ pkg-config nlohmann-json3-dev)
# qt6-tools-dev, qt6-l10n-tools, qt6-tools-dev-tools: Qt Linguist (lupdate, lrelease) for the
# window's translations; qt6-translations-l10n: Qt's own texts of the standard dialogs;
# qt6-svg-dev, libqt6sql6-sqlite: the preview's SVG export and its MBTiles maps.
app_packages=(qt6-base-dev qt6-svg-dev libqt6sql6-sqlite libgl-dev fonts-ipafont-gothic
  qt6-tools-dev qt6-l10n-tools qt6-tools-dev-tools qt6-translations-l10n)
