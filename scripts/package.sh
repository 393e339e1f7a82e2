#!/usr/bin/env bash
# Builds the Debian package of the tool, build/nvk_<version>_<arch>.deb: installs
# what is needed, builds the two programs and packs them with CPack (the
# install rules and the package's settings are in packaging/CMakeLists.txt).
#
#   bash scripts/package.sh           build the package
#   bash scripts/package.sh --check   then check it and install it on this machine
#
# NVK_BUILD_DIR chooses the build directory (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."

check=false
case "${1:-}" in
    "") ;;
    --check) check=true ;;
    *) echo "usage: bash scripts/package.sh [--check]" >&2; exit 2 ;;
esac

build="${NVK_BUILD_DIR:-build}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# CPack's Debian generator reads dependencies with dpkg-shlibdeps and finds
# the programs to read with file; the others check what the package holds.
tools=(dpkg-dev file)
$check && tools+=(lintian desktop-file-utils appstream)
bash scripts/install-deps.sh "${tools[@]}"

cmake -S . -B "$build" -G Ninja
cmake --build "$build" --target nvk nvk-practice-site nvk-install-docs
version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")"
deb="$build/nvk_${version}_$(dpkg --print-architecture).deb"
rm -f "$deb"
(cd "$build" && cpack -G DEB)
[ -f "$deb" ] || { echo "package: cpack made no $deb" >&2; exit 1; }
echo "package: $deb"
$check || exit 0

# --- The check: what the package holds, what it installs, and that the
# installed programs run.
fail() { echo "package check: $*" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

dpkg-deb -I "$deb"
dpkg-deb -c "$deb" | tee "$work/contents"
for f in usr/bin/nvk usr/bin/nvk-practice usr/bin/nvk-practice-site \
         usr/share/nvk/photos/V1269038-0{1,2,3}.jpg \
         usr/share/applications/nvk.desktop \
         usr/share/icons/hicolor/scalable/apps/nvk.svg \
         usr/share/icons/hicolor/256x256/apps/nvk.png \
         usr/share/metainfo/test.nvk.nvk.metainfo.xml \
         usr/share/man/man1/{nvk,nvk-practice,nvk-practice-site}.1.gz \
         usr/share/doc/nvk/copyright usr/share/doc/nvk/changelog.gz; do
    grep -q " \./$f\$" "$work/contents" || fail "$f is not in the package"
done
# The engine's helper process comes with libqt6webenginecore6-bin, and the
# practice site links cpp-httplib: both must come out of dpkg-shlibdeps.
depends="$(dpkg-deb -f "$deb" Depends)"
for p in libqt6webenginecore6-bin libcpp-httplib libqt6webenginewidgets6; do
    [[ ", $depends" == *", $p"* ]] || fail "Depends lacks $p: $depends"
done

dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/nvk.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/test.nvk.nvk.metainfo.xml"
lintian --fail-on error "$deb"

"${sudo_cmd[@]}" dpkg -i "$deb"
[ "$(/usr/bin/nvk --version)" = "nvk $version" ] || fail "/usr/bin/nvk --version: $(/usr/bin/nvk --version)"
/usr/bin/nvk --help >/dev/null || fail "nvk --help ended with status $?"

# The launcher with the installed programs and photos: it places the photos,
# starts the site, passes its arguments and the tool's exit status on, and
# stops the site when the tool ends.
status=0
XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state" \
    /usr/bin/nvk-practice --no-such-option >"$work/practice.out" 2>&1 || status=$?
cat "$work/practice.out"
[ "$status" -eq 2 ] || fail "nvk-practice --no-such-option ended with status $status, not nvk's 2"
cmp -s "$work/data/nvk/drive_c/Projects/qmtx/Images/V1269038-03.jpg" /usr/share/nvk/photos/V1269038-03.jpg ||
    fail "nvk-practice did not place the photos"
port="$(sed -n 's/^nvk-practice: practice site on 127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$work/practice.out")"
[ -n "$port" ] || fail "nvk-practice did not start the site"
if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
    fail "the practice site still answers on port $port after the tool ended"
fi
echo "package check: $deb passed"
