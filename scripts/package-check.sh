#!/usr/bin/env bash
# Builds the Debian package in build/ (or $1) and checks it: lintian without errors, the desktop entry
# and the AppStream data valid, the expected files in it. As root it then installs the package with apt,
# runs the installed kalvora (--version, and under Xvfb on a new data folder until its login window is
# up) and purges it again; otherwise that part is skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
cmake --build "$dir" --target package >/dev/null
version=$(sed -n 's/^#define KALVORA_VERSION "\(.*\)"/\1/p' "$dir/generated/kalvora_version.h")
deb=$(realpath "$dir/kalvora_${version}_amd64.deb")
echo "package: $deb"

lintian --fail-on error "$deb"
dpkg-deb -x "$deb" "$dir/deb-contents.tmp"
trap 'rm -rf "$dir/deb-contents.tmp"' EXIT
root="$dir/deb-contents.tmp"
app=tr.com.orventa.kalvora
desktop-file-validate "$root/usr/share/applications/$app.desktop"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$app.metainfo.xml"
for f in usr/bin/kalvora usr/bin/raporla usr/bin/yedekle usr/bin/kalvora-tasi \
    usr/bin/kalvora-al usr/share/kalvora/templates/paralar.fr3 usr/share/kalvora/templates/bakiyeler.fr3 usr/share/kalvora/templates/yaslandirma.fr3 usr/share/kalvora/templates/mutabakat.fr3 \
    usr/share/kalvora/templates/kart_dokum.fr3 usr/share/kalvora/templates/ekstre.fr3 \
    usr/share/icons/hicolor/scalable/apps/$app.svg usr/share/icons/hicolor/48x48/apps/$app.png \
    usr/share/man/tr/man1/kalvora.1.gz usr/share/man/tr/man1/yedekle.1.gz \
    usr/share/man/tr/man1/raporla.1.gz usr/share/man/tr/man1/kalvora-tasi.1.gz usr/share/man/tr/man1/kalvora-al.1.gz \
    usr/share/doc/kalvora/copyright; do
    [ -e "$root/$f" ] || { echo "missing from the package: /$f" >&2; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in qt6-qpa-plugins postgresql-client libsqlcipher libqt6widgets6; do
    grep -q "$d" <<<"$depends" || { echo "Depends lacks $d: $depends" >&2; exit 1; }
done

if [ "$(id -u)" -ne 0 ]; then
    echo "package-check: not root, installing the package is skipped"
    exit 0
fi
if dpkg-query -W -f='${Status}' kalvora 2>/dev/null | grep -q 'install ok installed'; then
    echo "package-check: kalvora is installed already, installing the package is skipped"
    exit 0
fi
# Whatever apt pulls in beside the package is removed again with it.
before=$(dpkg-query -W -f='${Package}\n' | sort)
cleanup() {
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq kalvora >/dev/null || true
    after=$(dpkg-query -W -f='${Package}\n' | sort)
    added=$(comm -13 <(echo "$before") <(echo "$after"))
    if [ -n "$added" ]; then
        # shellcheck disable=SC2086
        DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq $added >/dev/null || true
    fi
    rm -rf "$dir/deb-contents.tmp" "${work:-}"
}
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
/usr/bin/kalvora --version | grep -qx "kalvora (ORVENTA KALVORA) SÜRÜM $version"
work=$(mktemp -d)
data="$work/veri"
HOME="$work" KALVORA_UNATTENDED=1 xvfb-run -a -s '-screen 0 1024x768x24' \
    bash -c '/usr/bin/kalvora --data-dir "$1" & pid=$!; for _ in $(seq 100); do
                 [ -e "$1/data.mdb" ] && [ -e "$1/paralar.fr3" ] && break; sleep 0.1; done
             sleep 2; kill -0 $pid || { echo "kalvora ended early" >&2; exit 1; }
             import -window root "$2"; kill $pid; wait $pid 2>/dev/null || true' _ "$data" "$work/shot.png"
for f in uyeler.mdb data.mdb gelirmdb.mdb gider.mdb paralar.fr3; do
    [ -e "$data/$f" ] || { echo "the installed kalvora did not create $data/$f" >&2; exit 1; }
done
[ -n "${KALVORA_PACKAGE_SHOT:-}" ] && cp "$work/shot.png" "$KALVORA_PACKAGE_SHOT"
echo "package-check: installed, started and purged"
