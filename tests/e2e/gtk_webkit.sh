#!/usr/bin/env bash
# The Web Browser object on the gtk backend shows pages with WebKit: events in
# the order the host expects them, the page's META elements read back through
# the document, a navigation cancelled in BeforeNavigate2 and started again,
# errors for a dead port and an HTTP 404, the host's context menu, and the
# page drawn in its place without scroll bars.
source "${E2E_LIB:?}"

# The engine's cache and cookies go to folders of this run.
export XDG_CACHE_HOME="$ART/cache" XDG_DATA_HOME="$ART/data"
PROBE="${WEBKIT_PROBE:?}"
start_probe web /page '/gateway?gate=1&sid=7' dead /missing /stopped /page menu
wait_log web '^MENU_READY$' 40
# The web process draws on its own time: wait for the page's green.
page_drawn() { screenshot page && [ "$(pixel page 300 300)" = 20A040 ]; }
wait_until 10 "the page drawn" page_drawn

# Order of the first page: BeforeNavigate2, NavigateComplete2 (the iframe's
# own BeforeNavigate2 may come in between), DocumentComplete after it.
events=$(grep -E '^(STEP|BEFORE|NAVCOMPLETE|DOCCOMPLETE|NAVERROR|CANCEL) ' "$ART/web.log" |
  sed -E 's#http://127\.0\.0\.1:[0-9]+##; s# title=.*##')
expected='STEP /page
BEFORE /page frame=
NAVCOMPLETE /page
BEFORE /frame frame=
DOCCOMPLETE /page
STEP /gateway?gate=1&sid=7
BEFORE /gateway?gate=1&sid=7 frame=
CANCEL /gateway?gate=1&sid=7
BEFORE /gateway?gate=1&sid=7&marked=1 frame=
NAVCOMPLETE /gateway?gate=1&sid=7&marked=1
DOCCOMPLETE /gateway?gate=1&sid=7&marked=1
STEP dead
BEFORE /nothing frame=
NAVERROR /nothing status=0xFFFFFFFF800C0004
STEP /missing
BEFORE /missing frame=
NAVERROR /missing status=0x00000194
STEP /stopped
BEFORE /stopped frame=
NAVCOMPLETE /stopped
DOCCOMPLETE /stopped
STEP /page
BEFORE /page frame=
NAVCOMPLETE /page
BEFORE /frame frame=
DOCCOMPLETE /page
STEP menu'
expect_eq "$events" "$expected" "browser events"

# The elements came from the page, read before DocumentComplete fired.
expect_eq "$(count_log web '^DOCCOMPLETE .*/page title=Probe Page$')" 2 "title of the page"
expect_eq "$(count_log web '^META win-width=1024$')" 2 "win-width META"
expect_eq "$(count_log web '^META win-bar=eyJhIjoxfQ==$')" 2 "win-bar META"
# What the page's own load handler adds is part of the complete document.
expect_eq "$(count_log web '^META win-height=700$')" 2 "META added by the page's load handler"
# Each element's text is its own and its descendants', in document order.
expect_eq "$(count_log web '^TEXT HTML=Probe Page  body\{margin:$')" 2 "text of the root element"
expect_eq "$(count_log web '^TEXT TITLE=Probe Page$')" 2 "text of the title"
expect_eq "$(count_log web '^TEXT BODY=Probe pagetall  document$')" 2 "text of the body"
expect_eq "$(count_log web '^TEXT H1=Probe page$')" 2 "text of a heading"
expect_eq "$(count_log web '^TEXT P=tall$')" 2 "text of a paragraph"
# A page that keeps its load event to itself is still read whole, and what
# it tries to hand the host in the host's name does not arrive.
expect_eq "$(count_log web '^DOCCOMPLETE .*/stopped title=Stopped$')" 1 "title of the stopped page"
expect_eq "$(count_log web '^META win-width=640$')" 1 "META of the stopped page"
expect_eq "$(count_log web '^TEXT BODY=stopped$')" 1 "text of the stopped page"
expect_eq "$(count_log web '^META win-width=1$')" 0 "META forged by a page"
expect_eq "$(count_log web '^META win-full=true$')" 1 "META of the marked gateway page"
# The cancelled URL never reached the server; the marked one did.
expect_eq "$(count_log web '^SERVED /gateway\?gate=1&sid=7 ')" 0 "request of a cancelled navigation"
expect_eq "$(count_log web '^SERVED /gateway\?gate=1&marked=1&sid=7 200$')" 1 "request of the marked navigation"

# The page is drawn at the browser's place (window 100,100; browser 20,40
# inside it): green page, dark window around it, no scroll bar at the right
# edge although the page is taller than the view.
expect_pixel page 300 300 20A040
expect_pixel page 110 110 1B2A3A
expect_pixel page 875 500 20A040
expect_pixel page 890 500 1B2A3A
# The cache and the cookie store live in the launcher's folders.
[ -d "$ART/cache/lumora/webkit/WebKitCache" ] || fail "no WebKit cache in the launcher's cache folder"
[ -f "$ART/data/lumora/webkit/cookies.sqlite" ] || fail "no WebKit cookie store in the launcher's data folder"

# A right-click goes to the host's handler, which shows its own menu (none).
xdotool mousemove 400 400 click 3
wait_log web '^CONTEXTMENU 0 400,400$'
screenshot menu
expect_pixel menu 410 410 20A040
