#!/usr/bin/env bash
# The Windows packages under Wine, as a user meets them: the zip unpacked into an empty folder
# runs with nothing on its path (the runtime libraries are really in it) and shows its window;
# the installer, run silently, installs for the user alone, and its uninstaller takes out
# what it put in.
#   package_test.sh ZIP SETUP     (in a prefix wine_start made; WINEPATH is cleared here)
set -uo pipefail
zip=$1 setup=$2
unset WINEPATH QT_PLUGIN_PATH
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
check() {
    if [ "$2" = "$3" ]; then echo "PASS   $1"; else echo "FAIL   $1: expected $2, got $3"; failures=$((failures + 1)); fi
}

cd "$work"
cmake -E tar xf "$zip"
folder="$(ls -d "$work"/durvex-config-*)"
version="$(wine "$folder/durvex-config.exe" --version 2>/dev/null | tr -d '\r')"
check "the unpacked zip's --version" "durvex-config ${folder##*durvex-config-}" "durvex-config ${version#durvex-config }-windows-x64"
for program in durvex-config.exe durvex-config-window.exe; do
    started=$(date +%s%N)
    DURVEX_EXIT_AFTER_SHOW=1 wine "$folder/$program" >out.txt 2>err.txt
    code=$?
    check "the unpacked zip's $program shows its window" "0 1" "$code $(grep -c 'shown after' err.txt)"
    echo "       $program: $(grep -o 'shown after [0-9]* ms' err.txt), $(( ($(date +%s%N) - started) / 1000000 )) ms to its end"
done

wine "$setup" /S
installed="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs/durvex-config"
check "installed for the user" "yes" "$([ -f "$installed/durvex-config-window.exe" ] && [ -f "$installed/platforms/qwindows.dll" ] && echo yes)"
check "the Start-menu entry" "yes" "$(ls "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/"*.lnk >/dev/null 2>&1 && echo yes)"
check ".zcf opens in the tool" "yes" "$(wine reg query 'HKCU\Software\Classes\DurvexConfig.zcf\shell\open\command' 2>/dev/null | grep -q 'durvex-config-window.exe' && echo yes)"
DURVEX_EXIT_AFTER_SHOW=1 wine "$installed/durvex-config-window.exe" >/dev/null 2>err.txt
check "the installed window shows" "1" "$(grep -c 'shown after' err.txt)"
echo x > "$installed/user-file.txt"
# The uninstaller runs from a copy of itself, which ends after it has started: its work is waited for.
wine "$installed/uninstall.exe" /S
for i in $(seq 100); do [ -e "$installed/uninstall.exe" ] || break; sleep 0.1; done
check "the uninstaller leaves only what it did not install" "user-file.txt" "$(ls "$installed" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"
check "the file type gone" "no" "$(wine reg query 'HKCU\Software\Classes\DurvexConfig.zcf' >/dev/null 2>&1 && echo yes || echo no)"

[ $failures -eq 0 ] && echo "package tests: all passed" || echo "package tests: $failures failed"
exit $((failures > 0))
