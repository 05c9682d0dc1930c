#!/usr/bin/env bash
# The Debian package: cpack makes lumora_<version>_<arch>.deb from the build,
# it declares its libraries and GStreamer plugins, apt installs it (offline:
# a machine that built Lumora has every dependency), the installed program
# says the package's version and runs from /, and the package is purged
# again, also when the test fails.  Root only, and only on a machine where no
# package named lumora is installed: the test must not replace a user's.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/install_lib.sh"
: "${LUMORA_BUILD_DIR:?LUMORA_BUILD_DIR must name the build folder}"

[ "$(id -u)" -eq 0 ] || e2e_skip "installing a package needs root"
for tool in cpack dpkg-deb dpkg-shlibdeps apt-get; do
    command -v "$tool" >/dev/null || e2e_skip "no $tool (scripts/deps installs dpkg-dev)"
done
state=$(dpkg-query -W -f='${db:Status-Status}' lumora 2>/dev/null || true)
case $state in
    "" | not-installed) ;;
    *) e2e_skip "a package lumora is already on this machine ($state); leaving it alone" ;;
esac

e2e_init
package_touched=
finish() {
    local status=$?
    # Under set -e a failing step here would end the clean-up half done.
    set +e
    if [ -n "$package_touched" ]; then
        dpkg --purge lumora >/dev/null 2>&1 || echo "could not purge lumora" >&2
    fi
    (exit "$status")  # e2e_cleanup reads the test's status from $?
    e2e_cleanup
}
trap finish EXIT

e2e_log "cpack"
cpack --config "$LUMORA_BUILD_DIR/CPackConfig.cmake" -B "$E2E_DIR/package" >"$E2E_DIR/cpack.log" 2>&1 ||
    e2e_fail "cpack failed: $(tail -n 10 "$E2E_DIR/cpack.log")"
debs=("$E2E_DIR"/package/lumora_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || e2e_fail "expected one lumora_*.deb, have: $(ls "$E2E_DIR/package")"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "lumora_${version}_$(dpkg --print-architecture).deb" ] ||
    e2e_fail "package file named $(basename "$deb")"

e2e_log "control fields"
dpkg-deb -I "$deb" | grep -E '^ (Package|Version|Section|Depends|Recommends):' >&2
[ "$(dpkg-deb -f "$deb" Section)" = video ] || e2e_fail "section $(dpkg-deb -f "$deb" Section)"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || e2e_fail "no maintainer"
depends=$(dpkg-deb -f "$deb" Depends)
# Libraries found by dpkg-shlibdeps, and the plugins loaded by name.
for needed in libgtk-3-0 libgstreamer1.0-0 libopenal1 libsndfile1 libglut3 \
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good libgl1-mesa-dri; do
    [[ ", $depends" == *", $needed"* ]] || e2e_fail "Depends lacks $needed: $depends"
done

e2e_log "apt-get install"
package_touched=yes
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >"$E2E_DIR/apt.log" 2>&1 ||
    e2e_fail "apt-get install failed: $(tail -n 10 "$E2E_DIR/apt.log")"
[ "$(command -v lumora)" = /usr/bin/lumora ] || e2e_fail "lumora is not /usr/bin/lumora but \"$(command -v lumora)\""
[ "$(lumora --version)" = "Lumora $version" ] ||
    e2e_fail "lumora --version says \"$(lumora --version)\", the package is $version"
for file in /usr/share/lumora/dsvl/device1.xml /usr/share/applications/lumora.desktop \
    /usr/share/icons/hicolor/48x48/apps/lumora.png /usr/share/man/man1/lumora.1.gz; do
    [ -f "$file" ] || e2e_fail "the package did not install $file"
done

e2e_log "a start from /"
remember_untouched /usr/share/lumora
run_installed_briefly lumora
expect_untouched /usr/share/lumora

e2e_log "purge"
dpkg --purge lumora >>"$E2E_DIR/apt.log" 2>&1 || e2e_fail "dpkg --purge failed: $(tail -n 5 "$E2E_DIR/apt.log")"
package_touched=
[ ! -e /usr/bin/lumora ] && [ ! -e /usr/share/lumora ] || e2e_fail "files left after the purge"
echo "package: ok"
