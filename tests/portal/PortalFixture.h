// A portal started in-process on free ports with its data in a temporary
// folder, and the small client helpers the portal tests share.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <json/json.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "portal/Portal.h"
#include "testsupport/TempDir.h"

namespace portaltest {

using portal::Role;

class PortalTest : public ::testing::Test {
 protected:
  // Starts (or restarts) the portal; tweak adjusts the options first.
  void StartPortal(const std::function<void(portal::Options&)>& tweak = {});

  std::unique_ptr<httplib::Client> Client(Role role);
  httplib::Result Get(Role role, const std::string& path, const httplib::Headers& headers = {});
  httplib::Result PostForm(Role role, const std::string& path, const std::string& body);

  // The bodies exactly as the launcher builds them.
  Json::Value Register(const std::string& account, const std::string& password, const std::string& again);
  Json::Value Register(const std::string& account, const std::string& password) {
    return Register(account, password, password);
  }
  Json::Value Login(const std::string& account, const std::string& password);
  // Registers and logs in; returns the login reply.
  Json::Value NewPlayer(const std::string& account, const std::string& password = "secret12");

  // The server-list page as the launcher opens it after a login.
  httplib::Result ServerList(const Json::Value& login);

  testsupport::TempDir dir_;
  portal::Options options_;
  std::unique_ptr<portal::Portal> portal_;
};

// Parses a JSON text; a null value when it is not JSON.
Json::Value ParseJson(const std::string& text);

// name → content of every <meta name=... content=...> element.
std::map<std::string, std::string> MetaElements(const std::string& html);

// Every href="..." of the page, with &amp; turned back into &.
std::vector<std::string> Links(const std::string& html);

// Query value of a key in a URL; empty when absent.
std::string QueryValue(const std::string& url, const std::string& key);

// Standard Base64, written here independently of the portal's encoder.
std::string DecodeBase64(const std::string& text);

// Sends raw bytes to a loopback port and returns everything read back until
// the server closes the connection or one second passes in silence.
std::string RawExchange(int port, const std::string& bytes);

}  // namespace portaltest
