#!/usr/bin/env bash
# The launcher's cache clearing with WebKit: the cookie and the cached page of
# an earlier session are gone after it, and what the engine keeps afterwards
# still lands in its files.
source "${E2E_LIB:?}"

export XDG_CACHE_HOME="$ART/cache" XDG_DATA_HOME="$ART/data"
store="$ART/data/lumora/webkit"
records() { find "$ART/cache/lumora/webkit" -type f -path '*/Records/*' 2>/dev/null | sort; }
cookie_values() { sqlite3 "$store/cookies.sqlite" "SELECT name || '=' || value FROM moz_cookies ORDER BY id"; }
PROBE="${WEBKIT_PROBE:?}"

# An earlier session keeps a cookie and a cached page.
start_probe before '/cookie?n=before' '/cached?n=before'
wait_log before '^DONE$' 40
# (Conditions are functions: wait_until runs them anew each time.)
first_cookie() { [ "$(cookie_values)" = "c=before" ]; }
first_records() { [ -n "$(records)" ]; }
wait_until 10 "the first cookie in the store" first_cookie
wait_until 10 "the first page in the cache" first_records
records >"$ART/records-before.txt"
kill "$PROBE_PID"
wait "$PROBE_PID" 2>/dev/null || true

# This one clears, then visits another page.
start_probe after clear '/cookie?n=after' '/cached?n=after'
wait_log after '^CLEARED$' 40
wait_log after '^DONE$' 40
only_new_cookie() { [ "$(cookie_values)" = "c=after" ]; }
wait_until 10 "only the new cookie in the store" only_new_cookie
cached_after() { records >"$ART/records-after.txt" && ! cmp -s "$ART/records-before.txt" "$ART/records-after.txt" && [ -s "$ART/records-after.txt" ]; }
wait_until 10 "the new page in the cache" cached_after
left=$(comm -12 "$ART/records-before.txt" "$ART/records-after.txt")
[ -z "$left" ] || fail "cache records of before the clearing are left: $left"
