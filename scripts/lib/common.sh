# Shared by the scripts: the packages the build, the tests and the demo need,
# installed only when missing, and a configured build folder.

LUMARO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

LUMARO_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-declarative-dev qt6-qpa-plugins
  qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
  qml6-module-qtquick-templates qml6-module-qtquick-window qml6-module-qtqml
  qml6-module-qtqml-workerscript
  qcoro-qt6-dev qtkeychain-qt6-dev
  libcpp-httplib-dev nlohmann-json3-dev libsqlite3-dev libssl-dev
  gnome-keyring dbus libsecret-tools
  fonts-material-design-icons-iconfont
  oathtool xvfb xauth openssl curl procps
)

ensure_packages() {
  local missing=()
  local pkg
  for pkg in "${LUMARO_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# configure_build DIR [cmake args...]
configure_build() {
  local dir="$1"; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$LUMARO_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  else
    cmake "$dir" "$@" >/dev/null
  fi
}

# Runs a command inside a private D-Bus session with a throwaway HOME and a
# freshly unlocked gnome-keyring, so nothing touches the invoking user's keyring.
with_private_keyring() {
  local scratch
  scratch="$(mktemp -d -t lumaro-session.XXXXXX)"
  mkdir -p "$scratch/home" "$scratch/data" "$scratch/config" "$scratch/run" "$scratch/cache"
  chmod 700 "$scratch/run"
  HOME="$scratch/home" XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" \
  XDG_RUNTIME_DIR="$scratch/run" XDG_CACHE_HOME="$scratch/cache" LUMARO_TEST_HOME="$scratch" \
    dbus-run-session -- bash -c '
      # An empty password makes the daemon try to prompt; any non-empty one unlocks silently.
      control="$XDG_RUNTIME_DIR/keyring"
      eval "$(printf "throwaway-%s" "$RANDOM" |
        gnome-keyring-daemon --unlock --components=secrets --control-directory="$control" 2>/dev/null)" >/dev/null
      export GNOME_KEYRING_CONTROL
      # The daemon takes its bus name a moment after it returns; a request
      # before then would start a second daemon, a locked one, by activation.
      for _ in $(seq 100); do
        dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
          org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
          grep -q "boolean true" && break
        sleep 0.05
      done
      "$@"
      rc=$?
      # The daemon outlives the bus otherwise, holding our output open.
      for pid in $(pgrep -f -- "--control-directory=$control"); do kill "$pid" 2>/dev/null; done
      exit $rc
    ' lumaro-session "$@" 2> >(grep -v "Failed to set fd limit" >&2)
  local rc=$?
  rm -rf "$scratch"
  return $rc
}
