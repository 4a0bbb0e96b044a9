// libcurl loaded on the first call: nothing of it is mapped before, and the
// calls reach the library with their arguments whatever their type.
#include <gtest/gtest.h>

#include <string>

#include "platform/net/CurlEntries.h"
#include "testsupport/MappedLibraries.h"

namespace {

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

TEST(CurlOnDemandTest, TheLibraryIsMappedAtTheFirstCallAndTakesEveryKindOfArgument) {
  ASSERT_FALSE(testsupport::LibraryMapped("libcurl.so.4"))
      << "libcurl is mapped before the first call: linked after all?";
  CURL* handle = curl_easy_init();
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(testsupport::LibraryMapped("libcurl.so.4"));

  // A long, a data pointer, a function pointer and a file offset; an option
  // given a wrong value is refused by libcurl itself, so each arrived.
  EXPECT_EQ(curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, 2000L), CURLE_OK);
  EXPECT_EQ(curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, 999L), CURLE_UNSUPPORTED_PROTOCOL);
  EXPECT_EQ(curl_easy_setopt(handle, CURLOPT_URL, "http://127.0.0.1:1/nowhere"), CURLE_OK);
  EXPECT_EQ(curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Discard), CURLE_OK);
  EXPECT_EQ(curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(1) << 40), CURLE_OK);
  EXPECT_EQ(curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(-1)),
            CURLE_BAD_FUNCTION_ARGUMENT);
  curl_slist* headers = curl_slist_append(nullptr, "X-Probe: 1");
  ASSERT_NE(headers, nullptr);
  EXPECT_EQ(curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers), CURLE_OK);

  EXPECT_EQ(curl_easy_perform(handle), CURLE_COULDNT_CONNECT);
  char* url = nullptr;
  EXPECT_EQ(curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &url), CURLE_OK);
  ASSERT_NE(url, nullptr);
  EXPECT_EQ(std::string(url), "http://127.0.0.1:1/nowhere");
  long code = -1;
  EXPECT_EQ(curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code), CURLE_OK);
  EXPECT_EQ(code, 0);
  curl_off_t received = -1;
  EXPECT_EQ(curl_easy_getinfo(handle, CURLINFO_SIZE_DOWNLOAD_T, &received), CURLE_OK);
  EXPECT_EQ(received, 0);
  curl_easy_cleanup(handle);
  curl_slist_free_all(headers);
  EXPECT_EQ(lumora_curl_load(), lumora_curl_load()) << "loaded once";
}

}  // namespace
