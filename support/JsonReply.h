// Reading the portal's JSON replies. The JSON reader gives up on some hostile
// texts (nesting deeper than its stack limit) by throwing; a reply the reader
// throws on is treated exactly like one that does not parse, so no reply can
// end the process.
#pragma once

#include <json/value.h>

#include <string>

// True when text parses as one JSON value that is an object; root then holds
// it. False for broken JSON, for any other value (member access is defined on
// objects only) and for texts the reader refuses by throwing.
bool ParseJsonObject(const std::string& text, Json::Value& root);
