#!/usr/bin/env bash
# `cmake --install` of the build into a private prefix: the program, exactly
# the data folders it reads (not the development capture/ folder), a valid
# desktop entry, the icon at every hicolor size, a manual page that renders
# without warnings.  Then the installed program is started the way a launcher
# starts it, from / with no data folder at hand: its window shows, F12 puts a
# screenshot into the user's picture folder, Escape ends it with status 0,
# and it wrote nothing into the installed tree or /.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/install_lib.sh"
: "${LUMORA_BUILD_DIR:?LUMORA_BUILD_DIR must name the build folder}"
e2e_init

prefix=$E2E_DIR/prefix
data=$prefix/share/lumora
icon_sizes=(16 22 24 32 48 64 128 256)

e2e_log "install into $prefix"
cmake --install "$LUMORA_BUILD_DIR" --prefix "$prefix" >"$E2E_DIR/install.log" 2>&1 ||
    e2e_fail "cmake --install failed: $(tail -n 5 "$E2E_DIR/install.log")"
[ -x "$prefix/bin/lumora" ] || e2e_fail "no program at bin/lumora"
[ -x "$prefix/bin/lumora-replay" ] || e2e_fail "no program at bin/lumora-replay"

e2e_log "data: the folders the program reads, as in the source tree"
[ "$(ls "$data" | tr '\n' ' ')" = "bmp cg dsvl mdl wav " ] ||
    e2e_fail "share/lumora holds: $(ls "$data" | tr '\n' ' ')"
for folder in bmp cg dsvl mdl wav; do
    diff -r "$LUMORA_SOURCE_DIR/data/$folder" "$data/$folder" >/dev/null ||
        e2e_fail "share/lumora/$folder differs from data/$folder"
done
for file in dsvl/device1.xml dsvl/device2.xml cg/pixel/none.cg cg/vertex/none.cg; do
    [ -f "$data/$file" ] || e2e_fail "no share/lumora/$file"
done

e2e_log "desktop entry"
desktop=$prefix/share/applications/lumora.desktop
command -v desktop-file-validate >/dev/null || e2e_fail "desktop-file-validate missing (scripts/deps installs it)"
desktop-file-validate "$desktop" || e2e_fail "desktop-file-validate refuses $desktop"
for line in Name=Lumora Exec=lumora Icon=lumora; do
    grep -qx "$line" "$desktop" || e2e_fail "the desktop entry lacks $line"
done

e2e_log "icons: RGBA, transparent corners, an opaque middle"
for size in "${icon_sizes[@]}"; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/lumora.png
    [ -f "$icon" ] || e2e_fail "no icon at ${size}x${size}"
    seen=$(identify -format '%m %w %h %[channels]' "$icon")
    [ "$seen" = "PNG $size $size srgba" ] || e2e_fail "${size}x${size} icon is \"$seen\""
    alpha=$(convert "$icon" -format '%[fx:p{0,0}.a] %[fx:p{w/2,h/2}.a]' info:)
    [ "$alpha" = "0 1" ] || e2e_fail "${size}x${size} icon: corner and middle alpha \"$alpha\""
done

e2e_log "manual page"
man_page=$prefix/share/man/man1/lumora.1.gz
[ -f "$man_page" ] || e2e_fail "no manual page at share/man/man1/lumora.1.gz"
if command -v man >/dev/null; then
    MANWIDTH=80 man --warnings -l "$man_page" >"$E2E_DIR/man.txt" 2>"$E2E_DIR/man.err" ||
        e2e_fail "man cannot show the page: $(cat "$E2E_DIR/man.err")"
    [ ! -s "$E2E_DIR/man.err" ] || e2e_fail "man warns: $(cat "$E2E_DIR/man.err")"
    for mention in NAME SYNOPSIS DESCRIPTION OPTIONS FILES ENVIRONMENT --help --version \
        -display -geometry -iconic -direct -indirect -gldebug -sync F12 Space Escape \
        "Right mouse button" LUMORA_DATA_DIR XDG_PICTURES_DIR XDG_VIDEOS_DIR Korvane/Lumora.conf; do
        grep -qe "$mention" "$E2E_DIR/man.txt" || e2e_fail "the manual page does not mention $mention"
    done
else
    e2e_log "no man here: the page is not rendered"
fi

e2e_log "the installed program, started from /"
remember_untouched "$prefix"
start_installed "$prefix/bin/lumora"
wid=$(wait_window Lumora)
# The first camera frame may still be on its way (a screenshot saves
# nothing until then): press again until one is there.
for _ in $(seq 40); do
    press_key "$wid" F12
    sleep 0.25
    compgen -G "$E2E_PICTURES/Lumora/*.bmp" >/dev/null && break
done
shots=("$E2E_PICTURES"/Lumora/*.bmp)
[ -f "${shots[0]}" ] || e2e_fail "no screenshot in \$XDG_PICTURES_DIR/Lumora: $(ls -R "$E2E_DIR" | head -n 20)"
for shot in "${shots[@]}"; do
    seen=$(identify -format '%m %w %h' "$shot")
    [[ "$seen" =~ ^BMP3?\ 640\ 480$ ]] || e2e_fail "screenshot $(basename "$shot") is \"$seen\""
done
press_key "$wid" Escape
expect_clean_exit
[ ! -e "$E2E_VIDEOS/Lumora" ] || e2e_fail "the video folder was made with nothing to record"
expect_untouched "$prefix"
echo "install: ok"
