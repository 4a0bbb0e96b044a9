// The portal's login and registration replies, any bytes: read as the login
// window reads them. Only a reply whose "status" is "200" is accepted.
#include <json/json.h>

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "login/CalveraWnd.h"
#include "support/JsonReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string body(fuzz::Bytes(data, size));
  const AccountReply reply = ReadAccountReply(body);
  Json::Value root;
  const bool object = ParseJsonObject(body, root);
  FUZZ_CHECK(object == (reply.outcome != AccountReply::Outcome::kUnreadable));
  if (!object) return 0;
  const bool accepted = root["status"].isString() && root["status"].asString() == "200";
  FUZZ_CHECK(accepted == (reply.outcome == AccountReply::Outcome::kAccepted));
  if (!accepted) FUZZ_CHECK(reply.uid.empty() && reply.token.empty() && reply.openUrl.empty());
  // The texts end up in addresses and boxes as C strings.
  for (const std::u16string* text : {&reply.uid, &reply.token, &reply.openUrl}) {
    FUZZ_CHECK(text->find(u'\0') == std::u16string::npos);
  }
  if (reply.message) FUZZ_CHECK(reply.message->find(u'\0') == std::u16string::npos);
  return 0;
}
