#!/usr/bin/env bash
# The package tests, one step per ctest test (see CMakeLists.txt beside this file):
#   build       makes the packages with the package target and unpacks the .deb into $WORK_DIR
#   programs    runs both programs from the unpacked tree on a demo world
#   files       the package's file list, its dependencies and its manual pages
#   lintian     Debian's own checker finds no error
#   validators  desktop-file-validate and appstreamcli
#   completion  the bash completion from the package, driven as bash drives it on Tab
#   windows     the Windows zip, unpacked into an empty folder and run under Wine
# Environment: BUILD_DIR, WORK_DIR, VERSION, APP_ID, ICON_SIZES, WINDOWS_ZIP (empty without the
# Windows build), and for `windows` WINE, WINEBOOT, WINESERVER, OBJDUMP, WINEPREFIX.
set -euo pipefail
export LC_ALL=C.UTF-8

deb="$BUILD_DIR/spawn-editor_${VERSION}_amd64.deb"
root="$WORK_DIR/root"
bin="$root/usr/bin"

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# expect_equal WHAT ACTUAL EXPECTED
expect_equal() {
    [ "$2" = "$3" ] || fail "$1: expected [$3], got [$2]"
}

step_build() {
    rm -f "$deb"
    cmake --build "$BUILD_DIR" --target package
    [ -f "$deb" ] || fail "the package target made no $deb"
    rm -rf "$WORK_DIR"
    mkdir -p "$root"
    dpkg-deb -x "$deb" "$root"
}

step_programs() {
    expect_equal "spawn-tool --version" "$("$bin/spawn-tool" --version)" "spawn-tool $VERSION"
    # No display at all: --version and --help must not need one.
    expect_equal "spawn-editor --version" \
        "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/spawn-editor" --version)" \
        "spawn-editor $VERSION"
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/spawn-editor" --help | grep -q -- '--version' ||
        fail "spawn-editor --help lists no --version"

    world="$(mktemp -d)"
    trap 'rm -rf "$world"' EXIT
    "$bin/spawn-tool" demo "$world" >/dev/null
    local check records
    check="$("$bin/spawn-tool" check "$world/mobset.data")"
    [[ $check == *'"identical":true'* ]] || fail "check of the demo world: $check"
    records="$(grep -o '"records":[0-9]*' <<<"$check" | cut -d: -f2)"
    [ "${records:-0}" -gt 0 ] || fail "the demo world has no records: $check"

    # The editor opens the demo world from its folder, says what it loaded and closes itself.
    local shown
    # Its state (the open file's marker) goes to the test's folder, not the user's.
    shown="$(cd "$world" && QT_QPA_PLATFORM=offscreen SPAWN_EDITOR_CLOSE_AFTER_LOAD=1 XDG_STATE_HOME="$world/state" \
        timeout 120 "$bin/spawn-editor")"
    expect_equal "the editor's caption and record count" "$shown" \
        "Spawn Editor $VERSION - mobset.data: $records records"
}

step_files() {
    local expected=(
        ./usr/bin/spawn-editor
        ./usr/bin/spawn-tool
        "./usr/share/applications/$APP_ID.desktop"
        ./usr/share/bash-completion/completions/spawn-tool
        ./usr/share/doc/spawn-editor/changelog.gz
        ./usr/share/doc/spawn-editor/copyright
        ./usr/share/man/man1/spawn-editor.1.gz
        ./usr/share/man/man1/spawn-tool.1.gz
        "./usr/share/metainfo/$APP_ID.metainfo.xml"
    )
    local size
    for size in $ICON_SIZES; do
        expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/spawn-editor.png")
    done
    # Every file, with its mode and owner: only these, owned by root, none writable by others.
    local listing
    listing="$(dpkg-deb -c "$deb")"
    expect_equal "the package's files" "$(awk '$1 !~ /^d/ {print $6}' <<<"$listing" | sort)" \
        "$(printf '%s\n' "${expected[@]}" | sort)"
    [ -z "$(awk '$2 != "root/root" || $1 ~ /^.....w|^........w/' <<<"$listing")" ] ||
        fail "files not owned by root or writable by others: $listing"

    local program
    for program in spawn-editor spawn-tool; do
        file "$bin/$program" | grep -q 'ELF 64-bit.*, stripped' || fail "$program is not a stripped ELF"
    done
    for size in $ICON_SIZES; do
        file "$root/usr/share/icons/hicolor/${size}x${size}/apps/spawn-editor.png" |
            grep -q "PNG image data, $size x $size" || fail "the ${size}x${size} icon is not a PNG of that size"
    done

    # Dependencies come from dpkg-shlibdeps: Qt's widgets, the C++ runtime and the C library.
    local depends
    depends="$(dpkg-deb -f "$deb" Depends)"
    local library
    for library in libqt6widgets6 libqt6core6 libstdc++6 libc6; do
        [[ $depends == *"$library "* || $depends == *"$library," || $depends == *"$library" ]] ||
            fail "Depends lacks $library: $depends"
    done

    # The manual pages are help2man's rendering of the installed programs' own help, spawn-tool's
    # with a section of its own for each command (roff writes a hyphen as "\-").
    local page
    page="$(zcat "$root/usr/share/man/man1/spawn-tool.1.gz" | sed 's/\\-/-/g')"
    # Every command's heading sits under COMMANDS, whatever its help prints (an option group's
    # "[Exactly 1 of the following options is required]" once started a section of its own), and
    # its part of the page holds each option its --help lists.
    local command option part
    local commands
    commands="$("$bin/spawn-tool" --help | awk '/^Subcommands:/ {on = 1; next} on && /^  [^ ]/ {print $1}')"
    [ -n "$commands" ] || fail "spawn-tool --help lists no command"
    for command in $commands; do
        expect_equal "the section holding .SS $command" \
            "$(awk -v heading=".SS $command" '/^\.SH / {section = $0} $0 == heading {print section}' <<<"$page")" \
            ".SH COMMANDS"
        part="$(awk -v heading=".SS $command" '$0 == heading {on = 1; next} on && /^\.S[SH] / {exit} on' <<<"$page")"
        for option in $("$bin/spawn-tool" "$command" --help | grep -oE '^ +(-[a-zA-Z], )?--?[a-zA-Z][a-zA-Z-]*' |
            grep -oE -- '--?[a-zA-Z][a-zA-Z-]*$'); do
            [[ $part == *"$option"* ]] || fail "spawn-tool.1 lacks $option under the command $command"
        done
    done
    [[ $page == *"--areas"* ]] || fail "spawn-tool.1 does not list the demo command's --areas"
    [[ $page == *"spawn-tool $VERSION"* ]] || fail "spawn-tool.1 does not carry version $VERSION"
    [[ "$(zcat "$root/usr/share/man/man1/spawn-editor.1.gz")" == *"spawn-editor $VERSION"* ]] ||
        fail "spawn-editor.1 does not carry version $VERSION"
}

step_lintian() {
    # Errors fail the test; warnings and notes are printed for whoever reads the log.
    lintian --allow-root --fail-on error --display-info "$deb"
}

step_validators() {
    desktop-file-validate "$root/usr/share/applications/$APP_ID.desktop"
    grep -qx 'Exec=spawn-editor %f' "$root/usr/share/applications/$APP_ID.desktop" ||
        fail "the desktop entry does not pass the file to spawn-editor"
    appstreamcli validate --no-net "$root/usr/share/metainfo/$APP_ID.metainfo.xml"
}

step_completion() {
    # bash's Tab: COMP_WORDS and COMP_CWORD set, the function registered for spawn-tool called,
    # COMPREPLY read. The packaged spawn-tool is the one on PATH.
    local script="$root/usr/share/bash-completion/completions/spawn-tool"
    complete_line() {
        PATH="$bin:$PATH" bash -c '
            source "$1"; shift
            function_name="$(complete -p spawn-tool | sed -n "s/.*-F \([^ ]*\) .*/\1/p")"
            COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
            "$function_name"
            printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$script" "$@"
    }

    local commands
    commands="$(complete_line spawn-tool '')"
    local known
    for known in list check demo show search export import db-info db-names client-position; do
        grep -qx "$known" <<<"$commands" || fail "Tab after spawn-tool does not offer $known: $commands"
    done
    # Whatever it offers is a command the program accepts.
    local command
    for command in $commands; do
        "$bin/spawn-tool" "$command" --help >/dev/null || fail "Tab offers $command, which spawn-tool refuses"
    done
    expect_equal "spawn-tool de<Tab>" "$(complete_line spawn-tool de)" "demo"
    expect_equal "spawn-tool --<Tab>" "$(complete_line spawn-tool --)" $'--help\n--help-all\n--version'
    expect_equal "spawn-tool demo --areas 5 --<Tab>" "$(complete_line spawn-tool demo --areas 5 --)" \
        $'--areas\n--force\n--help'
    expect_equal "spawn-tool check <Tab> (a file name)" "$(complete_line spawn-tool check '')" ""
}

step_windows() {
    folder="$(mktemp -d)"
    trap 'rm -rf "$folder"' EXIT
    local zip="$BUILD_DIR/$WINDOWS_ZIP.zip"
    expect_equal "the zip's files" "$(unzip -Z1 "$zip" | grep -v '/$' | sort)" \
        "$(printf '%s\n' "$WINDOWS_ZIP/README.txt" "$WINDOWS_ZIP/spawn-editor.exe" "$WINDOWS_ZIP/spawn-tool.exe")"
    (cd "$folder" && unzip -q "$zip")
    cd "$folder/$WINDOWS_ZIP"

    # Linked statically: each imports from Windows' own DLLs only.
    local exe dlls dll
    for exe in spawn-tool.exe spawn-editor.exe; do
        dlls="$("$OBJDUMP" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort -u)"
        [ -n "$dlls" ] || fail "objdump lists no imported DLL of $exe at all"
        for dll in $dlls; do
            case "$dll" in
            kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | psapi.dll | shell32.dll | ws2_32.dll | \
                gdi32.dll | comctl32.dll | comdlg32.dll | api-ms-win-*.dll) ;;
            *) fail "$exe needs $dll beside it" ;;
            esac
        done
    done
    grep -q "spawn-tool $VERSION" README.txt || fail "README.txt does not name version $VERSION"
    grep -q "spawn-editor.exe" README.txt || fail "README.txt does not say how to start the editor"

    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$WINEBOOT" --init </dev/null >/dev/null 2>&1
        "$WINESERVER" -w
    fi
    expect_equal "spawn-tool.exe --version" "$("$WINE" spawn-tool.exe --version </dev/null)" "spawn-tool $VERSION"
    "$WINE" spawn-tool.exe demo world </dev/null >/dev/null
    local check
    check="$("$WINE" spawn-tool.exe check 'world\mobset.data' </dev/null)"
    [[ $check == *'"identical":true'* ]] || fail "check of the demo world under Wine: $check"
    # The Linux build writes the same demo world.
    "$BUILD_DIR/src/cli/spawn-tool" demo linux >/dev/null
    cmp world/mobset.data linux/mobset.data || fail "the Windows demo world differs from the Linux one"
}

"step_$1"
