#!/usr/bin/env bash
# Installs the built tree with `cmake --install` into a scratch folder, moves
# the installed prefix elsewhere (as a staging folder or DESTDIR would) and
# checks what a player's system gets:
#   - exactly the expected files, each where it belongs, with sane modes;
#   - the menu entry and the metadata pass the freedesktop validators, and
#     they agree with each other, the icons and the version;
#   - both manual pages render without a warning and cover every option of
#     the portal and every variable the launcher reads;
#   - the launcher's own module search, run from the moved tree, finds the
#     module that was installed there.
# Needs the programs built (morvaine, morvaine-webkit, lumora-portal, the
# probe); builds nothing itself. With DEBS (a list of .deb files) it checks
# the unpacked packages instead of an install of BUILD_DIR.
set -euo pipefail
: "${BUILD_DIR:?}" "${SOURCE_DIR:?}" "${PROBE:?}" "${PROJECT_VERSION:?}" "${PREFIX:?}"
: "${BINDIR:?}" "${LAUNCHERDIR:?}" "${LIBDIR:?}" "${DATADIR:?}" "${MANDIR:?}"
app_id=com.lumora.Morvaine

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

for dir in "$BINDIR" "$LAUNCHERDIR" "$LIBDIR" "$DATADIR" "$MANDIR"; do
  [[ "$dir" != /* ]] || { echo "install folders must be relative to the prefix: $dir" >&2; exit 2; }
done

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
if [ -n "${DEBS:-}" ]; then
  # The Debian packages instead, unpacked as dpkg would (they have no
  # maintainer scripts).
  for deb in $DEBS; do dpkg-deb -x "$deb" "$scratch/stage"; done
else
  DESTDIR="$scratch/stage" cmake --install "$BUILD_DIR" >"$scratch/install.log"
fi
# A relocated tree: nothing may depend on the prefix it was configured for.
root="$scratch/moved/opt/morvaine"
mkdir -p "$(dirname "$root")"
mv "$scratch/stage$PREFIX" "$root"
rm -rf "$scratch/stage"

# --- Layout -----------------------------------------------------------------
expected=(
  "$LAUNCHERDIR/morvaine"
  "$BINDIR/lumora-portal"
  "$LIBDIR/morvaine/morvaine-webkit.so"
  "$DATADIR/applications/$app_id.desktop"
  "$DATADIR/metainfo/$app_id.metainfo.xml"
  "$MANDIR/man6/morvaine.6.gz"
  "$MANDIR/man1/lumora-portal.1.gz"
  "$DATADIR/doc/morvaine/copyright"
  "$DATADIR/doc/morvaine/changelog.gz"
  "$DATADIR/doc/lumora-portal/copyright"
  "$DATADIR/doc/lumora-portal/changelog.gz"
)
icon_sizes=()
for icon in "$SOURCE_DIR"/skins/icon/icon-*.png; do
  size="$(identify -format '%wx%h' "$icon")"
  [[ "$(basename "$icon")" == "icon-${size%%x*}.png" ]] || fail "$icon is $size, its name says otherwise"
  icon_sizes+=("$size")
  expected+=("$DATADIR/icons/hicolor/$size/apps/$app_id.png")
done
[ ${#icon_sizes[@]} -gt 0 ] || fail "no icon pictures in skins/icon"

# Exactly these files: nothing missing, nothing installed by accident (test
# programs, static libraries, headers).
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$root" && find . -type f -printf '%P\n' | sort) \
  || fail "installed files differ from the expected ones (< expected, > installed)"

for program in "$LAUNCHERDIR/morvaine" "$BINDIR/lumora-portal"; do
  [ -x "$root/$program" ] || fail "$program is not executable"
done
while IFS= read -r file; do
  mode="$(stat -c '%a' "$root/$file")"
  case "$file" in
    "$BINDIR"/* | "$LAUNCHERDIR"/*) [ "$mode" = 755 ] || fail "$file has mode $mode, not 755" ;;
    *) [ "$mode" = 644 ] || fail "$file has mode $mode, not 644" ;;
  esac
done < <(cd "$root" && find . -type f -printf '%P\n')

# --- The web engine module, found from the moved tree -------------------------
found="$("$PROBE" module "$root/$LAUNCHERDIR")" || fail "the launcher's search does not find the installed module"
want="$(realpath -m "$root/$LIBDIR/morvaine/morvaine-webkit.so")"
[ "${found:-}" = "$want" ] || fail "the launcher's search found '${found:-nothing}', not the installed $want"

# --- Menu entry ---------------------------------------------------------------
desktop="$root/$DATADIR/applications/$app_id.desktop"
# SingleMainWindow joined the desktop entry format in version 1.5; older
# validators (desktop-file-utils before 0.27) call it an unknown key. Only that
# one complaint is forgiven.
complaints="$(desktop-file-validate "$desktop" 2>&1 |
  grep -v 'key "SingleMainWindow" in group "Desktop Entry", but keys extending the format should start with "X-"' || true)"
[ -z "$complaints" ] || fail "desktop-file-validate: $complaints"
key() { sed -n "s/^$1=//p" "$desktop" | head -1; }
[ "$(key Icon)" = "$app_id" ] || fail "the menu entry's icon is '$(key Icon)', not $app_id"
[ "$(key Exec)" = morvaine ] || fail "the menu entry runs '$(key Exec)'"
[ -x "$root/$LAUNCHERDIR/$(key TryExec)" ] || fail "TryExec '$(key TryExec)' is not an installed program"
[ "$(key SingleMainWindow)" = true ] || fail "SingleMainWindow is not true"
grep -qx 'Categories=.*Game;.*' "$desktop" || fail "the menu entry is not in the Game category"
grep -q '^Name\[zh_CN\]=' "$desktop" && grep -q '^Comment\[zh_CN\]=' "$desktop" ||
  fail "the menu entry lacks its Chinese name or comment"
# The dock groups the window with its entry by the window's X class, which
# GLib derives from the program's file name with its first letter raised.
[ "$(key StartupWMClass)" = Morvaine ] || fail "StartupWMClass '$(key StartupWMClass)' is not the window's class"

# --- Metadata -----------------------------------------------------------------
metainfo="$root/$DATADIR/metainfo/$app_id.metainfo.xml"
appstreamcli validate --no-net --no-color "$metainfo" >"$scratch/appstream.log" 2>&1 ||
  fail "appstreamcli validate: $(cat "$scratch/appstream.log")"
grep -q "<id>$app_id</id>" "$metainfo" || fail "the metadata's id is not $app_id"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "the metadata does not launch the installed menu entry"
newest="$(grep -o '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)"
[ "$newest" = "$PROJECT_VERSION" ] || fail "the newest release is '$newest', the build is $PROJECT_VERSION"
grep -q '<content_rating type="oars-1.1">' "$metainfo" || fail "the metadata has no content rating"

# --- Manual pages -------------------------------------------------------------
render() {
  local page="$1" out="$2"
  # man says nothing through its exit status about troff's warnings.
  MANWIDTH=80 man --warnings -l "$page" >"$out" 2>"$scratch/warnings" || fail "man cannot render $page"
  [ ! -s "$scratch/warnings" ] || fail "$(basename "$page"): $(cat "$scratch/warnings")"
  [ -s "$out" ] || fail "$(basename "$page") renders empty"
  # Words broken across lines are searched for whole.
  sed -z -i 's/\xe2\x80\x90\n *//g' "$out"
}
render "$root/$MANDIR/man6/morvaine.6.gz" "$scratch/morvaine.txt"
render "$root/$MANDIR/man1/lumora-portal.1.gz" "$scratch/portal.txt"

# Every option the installed portal knows is in its page.
"$root/$BINDIR/lumora-portal" --help >"$scratch/help.txt" || fail "lumora-portal --help fails in the moved tree"
options="$(grep -oE '(^|[ ,])--?[a-z][a-z-]*' "$scratch/help.txt" | tr -d ' ,' | sort -u)"
[ -n "$options" ] || fail "lumora-portal --help names no options"
for option in $options; do
  grep -qF -- "$option" "$scratch/portal.txt" || fail "lumora-portal(1) does not describe $option"
done
# Every variable the launcher reads is in its page; LUMORA_CRASH_REPORT is
# the launcher's note to the copy of itself it starts after a crash.
variables="$(cd "$SOURCE_DIR" && grep -rhoE '"LUMORA_[A-Z0-9_]+' app login game support platform |
  tr -d '"' | grep -vx LUMORA_CRASH_REPORT | sort -u)"
[ -n "$variables" ] || fail "no LUMORA_ variables found in the sources"
for variable in $variables; do
  grep -qw -- "$variable" "$scratch/morvaine.txt" || fail "morvaine(6) does not describe $variable"
done
for page in "$scratch/morvaine.txt" "$scratch/portal.txt"; do
  grep -q "$PROJECT_VERSION" "$page" || fail "$(basename "$page" .txt) does not carry version $PROJECT_VERSION"
done

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "install tree: ${#expected[@]} files, module found at ${found#"$scratch"/}"
