#!/usr/bin/env bash
# BrindleProj.ocx as a browser page meets it, under Wine: regsvr32 registers and unregisters
# it (also from a directory whose path has a blank), reg checks every registry entry, and
# JScript/VBScript clients run by cscript create the control by its ProgID and call
# CallMorvaneExe against stub programs Levyrun.exe and Tabulon.exe that the registry points
# to. Message boxes are read, photographed and closed by control_helper.exe.
# Runs inside the CTest Wine fixture (TABULON_WINE_DIR); every Windows program goes through
# scripts/wine-run.
set -uo pipefail
: "${TABULON_BUILD_DIR:?}" "${TABULON_SOURCE_DIR:?}" "${TABULON_WINE_DIR:?}"

bin=$TABULON_BUILD_DIR/bin
here=$TABULON_SOURCE_DIR/tests/control
drive_c=$TABULON_WINE_DIR/prefix/drive_c
work=$drive_c/brindle-script-test
win_work='C:\brindle-script-test'
export TABULON_SCREENSHOT_DIR="Z:${TABULON_BUILD_DIR//\//\\}\\screenshots"
mkdir -p "$TABULON_BUILD_DIR/screenshots"

CLSID='{E3FECFF7-77B0-4604-A3C2-1039CB28AB73}'
LIBID='{835C0B55-4D74-496D-BA8D-B3303D4F9D95}'
RUN_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
VEVO_KEY='HKCU\SOFTWARE\reduve\vevo'
MACHINE_VEVO_KEY='HKLM\SOFTWARE\reduve\vevo'

failures=0
ok() { echo "ok   $1"; }
fail() {
  echo "FAIL $1"
  failures=$((failures + 1))
}
expect() {  # name expected actual
  if [ "$2" == "$3" ]; then ok "$1"; else fail "$1: expected [$2], got [$3]"; fi
}

win() { timeout 120 "$TABULON_SOURCE_DIR/scripts/wine-run" "$@" </dev/null; }
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
cscript() { win cscript //nologo "$(winpath "$here/$1")" "${@:2}" 2>&1 | tr -d '\r'; }

# Every value below a key, one a line: key|name|data (the default value has no name; HKCR
# stands for HKEY_CLASSES_ROOT). reg prints the default value's name in the code page of the
# prefix, so any name that is not plain ASCII is taken for it.
reg_dump() {
  win reg query "$1" /s 2>/dev/null | tr -d '\r' | LC_ALL=C awk '
    /^HKEY_/ { key = $0; sub(/^HKEY_CLASSES_ROOT/, "HKCR", key); next }
    /^    / {
      line = substr($0, 5)
      i = index(line, "    REG_"); if (i == 0) next
      name = substr(line, 1, i - 1); rest = substr(line, i + 4)
      j = index(rest, "    "); data = j ? substr(rest, j + 4) : ""
      if (name ~ /[^ -~]/) name = ""
      print key "|" name "|" data
    }'
}
key_exists() { win reg query "$1" >/dev/null 2>&1; }
reg_set() { win reg add "$1" /v "$2" /t "${4:-REG_SZ}" /d "$3" /f >/dev/null 2>&1 || fail "reg add $1 $2"; }
reg_delete_value() { win reg delete "$1" /v "$2" /f >/dev/null 2>&1; }

# Stub programs in place: each records how it was started to <name>.started.txt beside it.
rm -rf "$work"
mkdir -p "$work/zodur" "$work/kv" "$work/machine-kv" "$work/missing" "$work/dir-as-program/Levyrun.exe"
cp "$bin/control_stubs/Levyrun.exe" "$work/zodur/"
cp "$bin/control_stubs/Tabulon.exe" "$work/kv/"
cp "$bin/control_stubs/Tabulon.exe" "$work/machine-kv/"

started_file() { echo "$work/$1/${2%.exe}.started.txt"; }
# Waits up to 10 s for a stub's record; prints it.
wait_started() {
  local f
  f=$(started_file "$1" "$2")
  for _ in $(seq 100); do
    [ -s "$f" ] && break
    sleep 0.1
  done
  cat "$f" 2>/dev/null
}
clear_started() { rm -f "$work"/*/*.started.txt; }

# Runs a launch through cscript while control_helper answers the message box it expects.
# Prints the script's output; the box's report lands in $work/dialog-<name>.txt.
launch_with_dialog() {  # name exetype params
  local out=$work/cscript-$1.out
  (cscript client.js launch "$2" "$3" >"$out") &
  local script_pid=$!
  win "$bin/control_helper.exe" dialog cscript "$(winpath "$work/dialog-$1.txt")" "control_dialog_$1" >/dev/null ||
    fail "$1: no message box appeared"
  wait "$script_pid"
  cat "$out"
}
expect_dialog() {  # name
  local report=$work/dialog-$1.txt
  expect "$1: message box caption" "cscript" "$(sed -n 1p "$report" 2>/dev/null)"
  expect "$1: message box text" "要打开的软件不存在，请确认是否已安装或已被损坏!" "$(sed -n 2p "$report" 2>/dev/null)"
  expect "$1: message box buttons" "OK" "$(sed -n 3p "$report" 2>/dev/null)"
  expect "$1: message box without icon, centred" "icon=0 centred=1" "$(sed -n '4p;5p' "$report" 2>/dev/null | paste -sd' ')"
}

# --- Registration ----------------------------------------------------------------------
ocx_win=$(winpath "$bin/BrindleProj.ocx")
win regsvr32 /s "$ocx_win"
expect "regsvr32 registers" 0 $?

server=$ocx_win
case "$ocx_win" in *" "*) server=$(win "$bin/control_helper.exe" shortpath "$ocx_win" | tr -d '\r') ;; esac
C="HKCR\\CLSID\\$CLSID"
entries=$( (reg_dump "$C"; reg_dump 'HKCR\BrindleProj.BrindleX'; reg_dump "HKCR\\TypeLib\\$LIBID") )
while IFS= read -r entry; do
  if grep -qxF -- "$entry" <<<"$entries"; then ok "entry $entry"; else fail "entry $entry missing"; fi
done <<TABLE
$C||BrindleX Control
$C\\InprocServer32||$server
$C\\InprocServer32|ThreadingModel|Apartment
HKCR\\BrindleProj.BrindleX||BrindleX Control
HKCR\\BrindleProj.BrindleX\\Clsid||$CLSID
$C\\ProgID||BrindleProj.BrindleX
$C\\Version||1.0
$C\\TypeLib||$LIBID
$C\\MiscStatus||0
$C\\MiscStatus\\1||140689
$C\\ToolboxBitmap32||$ocx_win,1
$C\\Control||
$C\\Verb||
$C\\Verb\\0||Properties,0,2
HKCR\\TypeLib\\$LIBID\\1.0\\0\\win64||$ocx_win
TABLE
# Nothing else under the class's key.
expect "the class's key holds these entries only" 12 "$(grep -cF -- "$C" <<<"$entries")"
$C||BrindleX Control
$C\\InprocServer32||$server
$C\\InprocServer32|ThreadingModel|Apartment
HKCR\\BrindleProj.BrindleX||BrindleX Control
HKCR\\BrindleProj.BrindleX\\Clsid||$CLSID
$C\\ProgID||BrindleProj.BrindleX
$C\\Version||1.0
$C\\TypeLib||$LIBID
$C\\MiscStatus||0
$C\\MiscStatus\\1||140689
$C\\ToolboxBitmap32||$ocx_win,1
$C\\Control||
$C\\Verb||
$C\\Verb\\0||Properties,0,2
HKCR\\TypeLib\\$LIBID\\1.0\\0\\win64||$ocx_win
TABLE

# --- Properties from page scripts ------------------------------------------------------
expect "JScript properties" "Caption=BrindleX
Visible=true
AutoScroll=false
PixelsPerInch=96
PrintScale=1
Font=MS Sans Serif
CaptionIsChinese=true" "$(cscript client.js properties)"
expect "VBScript Booleans read back as -1 and 0" "Visible=-1
Enabled=0
Scaled=-1" "$(cscript client.vbs)"

# --- CallMorvaneExe ----------------------------------------------------------------------
levyrun="$win_work\\zodur\\Levyrun.exe"
tabulon="$win_work\\kv\\Tabulon.exe"
# Started with: the program path as the shell quotes it, the argument string, and the
# working directory the host had (cscript's).
first_line() { sed -n 1p | sed 's/^"\([^"]*\)".*/\1/'; }

for dir in "$win_work\\zodur" "$win_work\\zodur\\"; do
  reg_set "$RUN_KEY" ZodurPath "$dir"
  clear_started
  expect "zodur from ZodurPath [$dir]: call" "ok" "$(cscript client.js launch zodur YTtiO2M=)"
  record=$(wait_started zodur Levyrun.exe)
  expect "zodur from ZodurPath [$dir]: program" "$levyrun" "$(printf '%s\n' "$record" | first_line)"
  expect "zodur from ZodurPath [$dir]: arguments" "a b c" "$(printf '%s\n' "$record" | sed -n 2p)"
done

clear_started
expect "zodur with empty params: call" "ok" "$(cscript client.js launch zodur -)"
expect "zodur with empty params: arguments" "" "$(wait_started zodur Levyrun.exe | sed -n 2p)"

clear_started
expect "zodur with GBK arguments: call" "ok" "$(cscript client.js launch zodur saix7TsyMDI0)"
wait_started zodur Levyrun.exe >/dev/null
expect "zodur with GBK arguments: bytes" "$(printf '报表 2024' | iconv -f UTF-8 -t GBK | od -An -tx1)" \
  "$(sed -n 2p "$(started_file zodur Levyrun.exe)" | tr -d '\n' | od -An -tx1)"

clear_started
expect "zodur with 7-character params: the page sees the exception" \
  "error: Uneven size in DecodeToStream. (0x8000ffff)" "$(cscript client.js launch zodur YTtiO2M)"
sleep 2
expect "zodur with 7-character params: nothing started" "" "$(wait_started zodur Levyrun.exe 2>/dev/null | head -c 1)"

reg_set "$VEVO_KEY" path "$win_work\\kv"
clear_started
expect "kvTabulon from the user key: call" "ok" "$(cscript client.js launch kvTabulon YTtiO2M=)"
record=$(wait_started kv Tabulon.exe)
expect "kvTabulon from the user key: program" "$tabulon" "$(printf '%s\n' "$record" | first_line)"
expect "kvTabulon from the user key: arguments" "a b c" "$(printf '%s\n' "$record" | sed -n 2p)"

for exetype in Zodur KVTABULON; do
  clear_started
  expect "wrong letter case $exetype: call returns after the message" "ok" \
    "$(launch_with_dialog "case-$exetype" "$exetype" YTtiO2M=)"
  expect_dialog "case-$exetype"
  expect "wrong letter case $exetype: nothing started" "" "$(ls "$work"/*/*.started.txt 2>/dev/null)"
done

# Only the user key counts for kvTabulon: a machine-wide value of the same name is ignored.
win reg delete "$VEVO_KEY" /f >/dev/null 2>&1
reg_set "$MACHINE_VEVO_KEY" path "$win_work\\machine-kv"
clear_started
expect "kvTabulon without user key: call" "ok" "$(launch_with_dialog kv-machine-only kvTabulon YTtiO2M=)"
expect_dialog kv-machine-only
expect "kvTabulon without user key: nothing started" "" "$(ls "$work"/*/*.started.txt 2>/dev/null)"
win reg delete "$MACHINE_VEVO_KEY" /f >/dev/null 2>&1

reg_set "$RUN_KEY" ZodurPath "$win_work\\dir-as-program"
expect "directory named Levyrun.exe: call" "ok" "$(launch_with_dialog dir-as-program zodur YTtiO2M=)"
expect_dialog dir-as-program

# A missing program: the message, and the params are never decoded (no exception).
reg_set "$RUN_KEY" ZodurPath "$win_work\\missing"
expect "missing program: call" "ok" "$(launch_with_dialog missing zodur YTtiO2M)"
expect_dialog missing

reg_set "$RUN_KEY" ZodurPath 42 REG_DWORD
expect "ZodurPath not a string: call" "ok" "$(launch_with_dialog not-a-string zodur YTtiO2M=)"
expect_dialog not-a-string
reg_delete_value "$RUN_KEY" ZodurPath

# --- Unregistration --------------------------------------------------------------------
win regsvr32 /u /s "$ocx_win"
expect "regsvr32 /u unregisters" 0 $?
for key in "$C" "HKCR\\BrindleProj.BrindleX" "HKCR\\TypeLib\\$LIBID"; do
  if key_exists "$key"; then fail "$key still there after unregistering"; else ok "$key gone"; fi
done

# --- A path with a blank -----------------------------------------------------------------
blank_dir="$drive_c/brindle script test"
rm -rf "$blank_dir"
mkdir -p "$blank_dir"
cp "$bin/BrindleProj.ocx" "$blank_dir/"
blank_ocx='C:\brindle script test\BrindleProj.ocx'
win regsvr32 /s "$blank_ocx"
expect "regsvr32 registers from a path with a blank" 0 $?
short=$(win "$bin/control_helper.exe" shortpath "$blank_ocx" | tr -d '\r')
case "$short" in *" "* | "") fail "no short form for [$blank_ocx]: [$short]" ;; esac
entries=$(reg_dump "$C")
expect "InprocServer32 holds the short path" "$C\\InprocServer32||$short" "$(grep -F "$C\\InprocServer32||" <<<"$entries")"
expect "ToolboxBitmap32 holds the long path" "$C\\ToolboxBitmap32||$blank_ocx,1" "$(grep -F "$C\\ToolboxBitmap32|" <<<"$entries")"
expect "the control loads through the short path" "Caption=BrindleX" "$(cscript client.js properties | head -1)"
win regsvr32 /u /s "$blank_ocx"
expect "regsvr32 /u from a path with a blank" 0 $?
for key in "$C" "HKCR\\BrindleProj.BrindleX" "HKCR\\TypeLib\\$LIBID"; do
  if key_exists "$key"; then fail "$key still there after unregistering"; else ok "$key gone"; fi
done
rm -rf "$blank_dir" "$work"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
