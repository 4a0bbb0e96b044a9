#include "support/JsonReply.h"

#include <json/reader.h>

#include <exception>

#include "platform/system/Kernel.h"

bool ParseJsonObject(const std::string& text, Json::Value& root) {
  try {
    Json::Reader reader;
    return reader.parse(text, root, true) && root.isObject();
  } catch (const std::exception& e) {
    os::DebugOutput(os::DebugCategory::Net, std::string("support.json: reply refused: ") + e.what());
  } catch (...) {
    os::DebugOutput(os::DebugCategory::Net, std::string_view("support.json: reply refused"));
  }
  root = Json::Value();
  return false;
}
