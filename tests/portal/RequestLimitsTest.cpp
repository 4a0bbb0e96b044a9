// Reading requests under bounds, and the per-client allowance.
#include <gtest/gtest.h>

#include <sstream>

#include "portal/RateLimit.h"
#include "portal/RequestReader.h"

namespace portaltest {
namespace {

using portal::RequestLimits;
using portal::RequestReader;

RequestLimits SmallLimits() {
  RequestLimits limits;
  limits.maxHeadBytes = 512;
  limits.maxHeaderLines = 8;
  limits.maxRequestLine = 128;
  limits.maxBodyBytes = 100;
  return limits;
}

// Feeds `bytes` in pieces of `piece` bytes (0: all at once).
RequestReader Read(const std::string& bytes, std::size_t piece = 0, RequestLimits limits = SmallLimits()) {
  RequestReader reader(limits);
  if (piece == 0) piece = bytes.size() + 1;
  for (std::size_t at = 0; at < bytes.size(); at += piece)
    reader.Feed(std::string_view(bytes).substr(at, piece));
  return reader;
}

const std::string kPost = "POST /login HTTP/1.1\r\nHost: x\r\n";
const std::string kNext = "GET /next HTTP/1.1\r\n\r\n";

class PiecewiseReading : public ::testing::TestWithParam<std::size_t> {};

TEST_P(PiecewiseReading, FixedBodyAndPipelinedRest) {
  std::string request = kPost + "Content-Length: 5\r\n\r\nhello";
  RequestReader reader = Read("\r\n" + request + kNext, GetParam());
  ASSERT_TRUE(reader.complete());
  EXPECT_EQ(reader.refusal(), 0);
  EXPECT_EQ(reader.TakeRequest(), request);  // untouched, leading blank line dropped
  EXPECT_EQ(reader.TakeRest(), kNext);
}

TEST_P(PiecewiseReading, ChunkedBodyBecomesAPlainOne) {
  std::string bytes = kPost + "Transfer-Encoding: chunked\r\nX-After: 1\r\n\r\n" +
                      "5;name=value\r\nhello\r\n"
                      "A \r\n, chunked!\r\n"
                      "0\r\nTrailer-Field: dropped\r\n\r\n" +
                      kNext;
  RequestReader reader = Read(bytes, GetParam());
  ASSERT_TRUE(reader.complete()) << reader.refusal();
  EXPECT_EQ(reader.TakeRequest(), kPost + "X-After: 1\r\nContent-Length: 15\r\n\r\nhello, chunked!");
  EXPECT_EQ(reader.TakeRest(), kNext);
}

TEST_P(PiecewiseReading, ExpectContinueIsAnsweredOnceAndRemoved) {
  RequestReader reader(SmallLimits());
  std::string head = kPost + "Expect: 100-continue\r\nContent-Length: 3\r\n\r\n";
  std::size_t piece = GetParam() == 0 ? head.size() : GetParam();
  for (std::size_t at = 0; at < head.size(); at += piece)
    reader.Feed(std::string_view(head).substr(at, piece));
  EXPECT_TRUE(reader.TakeContinue());
  EXPECT_FALSE(reader.TakeContinue());
  EXPECT_FALSE(reader.complete());
  reader.Feed("abc");
  ASSERT_TRUE(reader.complete());
  EXPECT_EQ(reader.TakeRequest(), kPost + "Content-Length: 3\r\n\r\nabc");
}

INSTANTIATE_TEST_SUITE_P(Pieces, PiecewiseReading, ::testing::Values(0u, 1u, 7u));

TEST(RequestReading, ContinueIsNotWantedWhenTheBodyCameAlongOrThereIsNone) {
  RequestReader sent = Read(kPost + "Expect: 100-continue\r\nContent-Length: 3\r\n\r\nab");
  EXPECT_FALSE(sent.TakeContinue());
  RequestReader empty = Read(kPost + "Expect: 100-continue\r\n\r\n");
  EXPECT_TRUE(empty.complete());
  EXPECT_FALSE(empty.TakeContinue());
}

TEST(RequestReading, BlankLinesAloneDoNotStartARequestAndResetCarriesTheRest) {
  RequestReader reader = Read("\r\n\r\n\n");
  EXPECT_FALSE(reader.started());
  reader.Feed("G");
  EXPECT_TRUE(reader.started());

  reader.Reset(kNext + "GET /third");
  ASSERT_TRUE(reader.complete());
  EXPECT_EQ(reader.TakeRequest(), kNext);
  reader.Reset(reader.TakeRest());
  EXPECT_TRUE(reader.started());
  EXPECT_FALSE(reader.complete());
}

struct Refusal {
  const char* name;
  std::string bytes;
  int status;
};

class RefusedRequests : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedRequests, AreRefusedWithTheirStatus) {
  for (std::size_t piece : {0u, 1u}) {
    RequestReader reader = Read(GetParam().bytes, piece);
    EXPECT_FALSE(reader.complete()) << piece;
    EXPECT_EQ(reader.refusal(), GetParam().status) << piece;
    // Nothing more is taken once refused.
    reader.Feed("\r\n\r\n");
    EXPECT_EQ(reader.refusal(), GetParam().status);
  }
}

std::string Lines(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += "X-" + std::to_string(i) + ": v\r\n";
  return lines;
}

std::string Chunks(int count, int size) {
  std::string chunks;
  std::ostringstream hex;
  hex << std::hex << size;
  for (int i = 0; i < count; ++i) chunks += hex.str() + "\r\n" + std::string(size, 'b') + "\r\n";
  return chunks;
}

const std::string kChunked = kPost + "Transfer-Encoding: chunked\r\n\r\n";

// Incomplete inputs are refused as soon as the bound is passed, without
// waiting for the rest.
INSTANTIATE_TEST_SUITE_P(
    Framing, RefusedRequests,
    ::testing::Values(
        Refusal{"AnnouncedBodyTooLarge", kPost + "Content-Length: 101\r\n\r\n", 413},
        Refusal{"ChunkedBodyTooLarge", kChunked + Chunks(3, 40), 413},
        Refusal{"OneHugeChunk", kChunked + "FFFFFFFFFFFFFF\r\n", 413},
        Refusal{"TooManyHeaderLines", kPost + Lines(8), 431},
        Refusal{"HeadTooLarge", kPost + "X-Big: " + std::string(600, 'v'), 431},
        Refusal{"TooManyTrailers", kChunked + "0\r\n" + Lines(9), 431},
        Refusal{"RequestLineTooLong", "GET /" + std::string(200, 'a'), 414},
        Refusal{"LengthAndChunks", kPost + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n", 400},
        Refusal{"TwoDifferentLengths", kPost + "Content-Length: 5\r\nContent-Length: 6\r\n\r\n", 400},
        Refusal{"NegativeLength", kPost + "Content-Length: -5\r\n\r\n", 400},
        Refusal{"LengthWithSign", kPost + "Content-Length: +5\r\n\r\n", 400},
        Refusal{"OtherCoding", kPost + "Transfer-Encoding: gzip, chunked\r\n\r\n", 501},
        Refusal{"OtherExpectation", kPost + "Expect: 200-ok\r\n\r\n", 417},
        Refusal{"BadChunkSize", kChunked + "zz\r\n", 400},
        Refusal{"ChunkSizeWithoutCr", kChunked + "5\nhello\r\n", 400},
        Refusal{"ChunkWithoutCrlf", kChunked + "5\r\nhelloXX", 400},
        Refusal{"LongChunkLine", kChunked + "5;" + std::string(300, 'e'), 400},
        Refusal{"FoldedHeader", kPost + "X-A: 1\r\n  folded\r\n\r\n", 400},
        Refusal{"HeaderWithoutColon", kPost + "Nonsense\r\n\r\n", 400},
        Refusal{"SpaceInName", kPost + "Content-Length : 1\r\n\r\n", 400},
        Refusal{"NulInHead", kPost + std::string("X-A: a\0b\r\n\r\n", 12), 400},
        Refusal{"NotHttp", "NONSENSE\r\n\r\n", 400}, Refusal{"WrongVersion", "GET / HTTP/2.0\r\n\r\n", 400},
        Refusal{"BinaryGarbage", std::string("\x00\x01\x02\xff\r\n\r\n", 8), 400}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST(RequestReading, BoundsThemselvesAreAccepted) {
  RequestReader lines = Read(kPost + Lines(6) + "Content-Length: 100\r\n\r\n" + std::string(100, 'b'));
  EXPECT_TRUE(lines.complete()) << lines.refusal();
  RequestReader chunks = Read(kChunked + Chunks(2, 50) + "0\r\n\r\n");
  ASSERT_TRUE(chunks.complete()) << chunks.refusal();
  EXPECT_NE(chunks.TakeRequest().find("Content-Length: 100\r\n\r\n"), std::string::npos);
  // A first line of exactly the limit, CRLF not counted.
  EXPECT_TRUE(Read("GET /" + std::string(114, 'a') + " HTTP/1.1\r\n\r\n").complete());
  EXPECT_EQ(Read("GET /" + std::string(115, 'a') + " HTTP/1.1\r\n\r\n").refusal(), 414);
}

TEST(RequestReading, ManyTinyChunksKeepOnlyTheDecodedBody) {
  RequestLimits limits = SmallLimits();
  limits.maxBodyBytes = 100000;
  RequestReader reader(limits);
  reader.Feed(kChunked);
  std::string chunk = "1;" + std::string(200, 'e') + "\r\nb\r\n";
  for (int i = 0; i < 5000; ++i) reader.Feed(chunk);
  reader.Feed("0\r\n\r\n");
  ASSERT_TRUE(reader.complete()) << reader.refusal();
  EXPECT_EQ(reader.TakeRequest(), kPost + "Content-Length: 5000\r\n\r\n" + std::string(5000, 'b'));
}

TEST(RateLimit, BurstThenOneEveryIntervalPerKey) {
  portal::RateLimiter limiter(6, 100);  // one every 10 s after a burst of 6
  auto t0 = portal::RateLimiter::Clock::time_point() + std::chrono::hours(1);
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(limiter.Allow("a", t0)) << i;
  EXPECT_FALSE(limiter.Allow("a", t0));
  EXPECT_TRUE(limiter.Allow("b", t0));  // another client has its own allowance
  EXPECT_FALSE(limiter.Allow("a", t0 + std::chrono::seconds(9)));
  EXPECT_TRUE(limiter.Allow("a", t0 + std::chrono::seconds(11)));
  EXPECT_FALSE(limiter.Allow("a", t0 + std::chrono::seconds(12)));
  // A long pause refills the burst, not more.
  auto later = t0 + std::chrono::hours(5);
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(limiter.Allow("a", later)) << i;
  EXPECT_FALSE(limiter.Allow("a", later));

  portal::RateLimiter unlimited(0, 1);
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(unlimited.Allow(std::to_string(i), t0));
}

TEST(RateLimit, TheTableOfClientsIsBounded) {
  portal::RateLimiter limiter(60, 2);
  auto t0 = portal::RateLimiter::Clock::time_point() + std::chrono::hours(1);
  EXPECT_TRUE(limiter.Allow("a", t0));
  EXPECT_TRUE(limiter.Allow("b", t0));
  // Both known clients still owe their allowance: a third is not let in by
  // forgetting one of them.
  EXPECT_FALSE(limiter.Allow("c", t0));
  for (int i = 0; i < 59; ++i) limiter.Allow("a", t0);
  EXPECT_FALSE(limiter.Allow("a", t0));
  // Once a client's allowance is whole again its entry can go.
  auto later = t0 + std::chrono::seconds(2);
  EXPECT_TRUE(limiter.Allow("c", later));
  // b was forgotten; it comes back only when there is room again.
  EXPECT_FALSE(limiter.Allow("b", later));
  EXPECT_TRUE(limiter.Allow("b", t0 + std::chrono::minutes(2)));
}

}  // namespace
}  // namespace portaltest
