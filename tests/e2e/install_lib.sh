# Helpers of the tests of an installed Lumora (install_test.sh,
# package_test.sh).  Source it after lib.sh and e2e_init.

# start_installed PROGRAM: starts an installed program the way a desktop
# launcher does: from /, with no data folder named, HOME and the XDG
# folders inside the private folder (E2E_PICTURES, E2E_VIDEOS).  Sets
# LUMORA_PID like start_lumora.
start_installed() {
    E2E_HOME=$E2E_DIR/home
    E2E_PICTURES=$E2E_DIR/pictures
    E2E_VIDEOS=$E2E_DIR/videos
    mkdir -p "$E2E_HOME"
    unset LUMORA_DATA_DIR
    HOME=$E2E_HOME XDG_PICTURES_DIR=$E2E_PICTURES XDG_VIDEOS_DIR=$E2E_VIDEOS start_lumora / "$1"
}

# The files below a folder with their sizes, to see that a run changed
# nothing there.
tree_listing() {
    (cd "$1" && find . -printf '%p %s\n' | sort)
}

# What a run may not touch: the root folder (the working folder of an
# installed start; root may write there) and the given folder's tree.
remember_untouched() {
    E2E_ROOT_LISTING=$(ls -A /)
    E2E_TREE_LISTING=$(tree_listing "$1")
}

expect_untouched() {
    [ "$(ls -A /)" = "$E2E_ROOT_LISTING" ] ||
        e2e_fail "the run wrote into /: $(diff <(echo "$E2E_ROOT_LISTING") <(ls -A /) | grep '^>')"
    [ "$(tree_listing "$1")" = "$E2E_TREE_LISTING" ] ||
        e2e_fail "the run changed $1: $(diff <(echo "$E2E_TREE_LISTING") <(tree_listing "$1") | grep '^[<>]')"
}

# run_installed_briefly PROGRAM: its window appears, Escape ends it with
# status 0 and the settings written.
run_installed_briefly() {
    start_installed "$1"
    local wid
    wid=$(wait_window Lumora)
    press_key "$wid" Escape
    expect_clean_exit
}
