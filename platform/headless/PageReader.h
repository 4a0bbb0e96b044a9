// How the static browser reads a loaded page: the bytes decoded to UTF-8 by
// the page's character set, the HTML parsed (gumbo, as an HTML5 browser
// parses it) into its elements and title, and links resolved against the
// page's address.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/BrowserEngine.h"

namespace os::headless {

// The character set a page declares: the charset parameter of its
// Content-Type, else a byte-order mark, else a charset= in its first 1024
// bytes (a META element). Lower-case; empty when none is found.
std::string PageCharset(std::string_view contentType, std::string_view body);
// The page's bytes as UTF-8. GB2312 and GBK read as GB18030 and ISO-8859-1 as
// windows-1252, as browsers do; bytes the character set cannot decode become
// U+FFFD; an unknown character set leaves the bytes as they are.
std::string DecodePage(std::string_view body, std::string_view charset);

// Every element in document order (those the parser implied included), tag
// names lower-case, attributes in source order, each element's text (that of
// SCRIPT and STYLE stays with them and is not part of their ancestors'); the
// title is the first TITLE element's text with white space collapsed.
DocumentContent ReadHtml(std::string_view utf8);

// reference resolved against base (RFC 3986), after stripping surrounding
// white space; a reference with a scheme stands alone; the fragment is kept.
std::u16string ResolveUrl(std::u16string_view base, std::u16string_view reference);

// White space runs become one space; leading and trailing white space goes.
std::u16string CollapseWhiteSpace(std::u16string_view text);

}  // namespace os::headless
