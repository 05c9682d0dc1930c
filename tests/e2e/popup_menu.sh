# Driving freeglut's popup menu with xdotool, shared by the end-to-end tests
# and tools/screenshots.sh.  Source it.

# The innermost open popup menu (submenus open to the right):
# "X Y WIDTH HEIGHT WINDOW"; nothing when none is open.
last_menu() {
    local id found=
    for id in $(xdotool search --onlyvisible --name '^freeglut menu$' 2>/dev/null); do
        found+=$(xdotool getwindowgeometry --shell "$id" |
            awk -F= '{ v[$1] = $2 } END { print v["X"], v["Y"], v["WIDTH"], v["HEIGHT"], v["WINDOW"] }')$'\n'
    done
    sort -n <<<"$found" | grep . | tail -n1 || true
}

# menu_open WID ENTRY...: opens the popup menu with the right button and walks
# to entry ENTRY (0-based) of each menu in turn, the button still held, so
# that the menus stay open (for a picture of them); menu_release then
# chooses the entry under the pointer.
# The release goes to the menu's own window: XTEST releases over a submenu
# are not taken as a choice by freeglut (a real pointer's are).  Without a
# window manager freeglut also misplaces releases in a window away from the
# desktop's origin: place the window there first.
menu_open() {
    local wid=$1 x y w h row
    shift
    xdotool mousemove --window "$wid" 40 40
    sleep 0.2
    xdotool mousedown 3
    sleep 0.5
    for entry in "$@"; do
        read -r x y w h MENU_LAST < <(last_menu)
        [ -n "${MENU_LAST:-}" ] || { echo "menu_open: no popup menu open" >&2; exit 1; }
        row=$(( y + 2 + 25 * entry + 12 ))  # freeglut: 25-pixel entries, 2-pixel border
        xdotool mousemove $(( x + 10 )) "$row"
        sleep 0.3
        xdotool mousemove $(( x + w / 2 )) "$row"
        sleep 0.5
    done
}

menu_release() {
    xdotool mouseup --window "$MENU_LAST" 3
    sleep 0.2
    xdotool mouseup 3
    sleep 0.5
}

# menu_walk WID ENTRY...: menu_open, then the choice of the last entry.
menu_walk() {
    menu_open "$@"
    menu_release
}
