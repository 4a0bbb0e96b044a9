#!/usr/bin/env bash
# GTK starts with the quick theme and the desktop's theme replaces it without
# changing how the native edit field looks (gtk_theme_check).
source "${E2E_LIB:?}"

"${THEME_CHECK:?}" >"$ART/check.log" 2>"$ART/check.err" || fail "the theme check failed"
grep -q '^ok: the edit field looks the same under both themes$' "$ART/check.log" ||
  fail "the theme check did not compare the field"
