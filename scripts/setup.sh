# Sourced by the scripts that build or run anything: installs what is missing on a Debian
# machine, and sets up Wine.
set -euo pipefail

KW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

kw_need() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        if [[ " ${missing[*]} " == *":i386 "* || " ${missing[*]} " == *" wine32 "* ]]; then
            dpkg --print-foreign-architectures | grep -q i386 || $sudo dpkg --add-architecture i386
        fi
        $sudo apt-get update -q
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
            "${missing[@]}" >/dev/null
    fi
}

kw_need_native() {
    kw_need cmake ninja-build g++ libgtest-dev libbenchmark-dev clang-14 libclang-rt-14-dev \
        qt6-base-dev fonts-ipafont-gothic
}

kw_need_windows() {
    kw_need g++-mingw-w64-i686-posix googletest wine wine32 wine64 xvfb xauth locales \
        fonts-ipafont-gothic imagemagick
    if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        $sudo sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
        $sudo locale-gen >/dev/null
    fi
}

# Wine with the Japanese ANSI code page (932), quiet, in a prefix of the build's own.
kw_wine_vars() {
    export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all
    export WINEPREFIX="$KW_ROOT/build/win32/wineprefix"
}

kw_wine_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "preparing the Wine prefix (about 15 s, once)"
        mkdir -p "$(dirname "$WINEPREFIX")"
        wineboot --init >/dev/null 2>&1 || true
        # Without a window manager Wine waits 2 s for each closed window unless its windows
        # are unmanaged; it then draws their frames itself. Japanese Windows' UI font is not
        # here: the IPA proportional Gothic stands in for it.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' \
            /d IPAPGothic /f >/dev/null 2>&1
        wineserver -w || true
    fi
}

kw_wine_env() {
    kw_wine_vars
    kw_wine_prefix
}

# A USB stick as Linux desktops mount it: exFAT through FUSE, which folds case and gives each
# spelling of a name an identity of its own. Where the machine allows it (root, a loop device,
# FUSE) the tests run rows of theirs on one too; KW_EXFAT names it. Else they are skipped.
kw_exfat_mount() {
    local dir=$KW_ROOT/build/exfat img=$KW_ROOT/build/exfat.img loop
    [ "$(id -u)" -eq 0 ] && [ -e /dev/fuse ] || return 0
    kw_need exfat-fuse exfatprogs
    if ! mountpoint -q "$dir"; then
        { truncate -s 64M "$img" && mkfs.exfat "$img" && mkdir -p "$dir" &&
            loop=$(losetup -f --show "$img") && mount.exfat-fuse "$loop" "$dir"; } >/dev/null 2>&1 ||
            { echo "no exFAT volume here: its rows are skipped"; return 0; }
    fi
    export KW_EXFAT=$dir
}

kw_exfat_unmount() {
    local img=$KW_ROOT/build/exfat.img loop
    mountpoint -q "$KW_ROOT/build/exfat" && umount -l "$KW_ROOT/build/exfat"
    for loop in $(losetup -j "$img" -O NAME -n 2>/dev/null); do losetup -d "$loop"; done
    rm -f "$img"
}
