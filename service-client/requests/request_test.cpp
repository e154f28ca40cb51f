#include "service-client/requests/request.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

TEST(RequestTest, HttpsMeansALowerCaseHttpsPrefix) {
  const struct {
    std::u16string url;
    int https;
  } kCases[] = {
      {u"https://srv/p", 1},
      {u"https", 1},
      {u"HTTPS://srv/p", 0},
      {u"Https://srv/p", 0},
      {u"http://srv/?next=https://other", 0},
      {u" https://srv", 0},
      {u"", 0},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(TRequest(c.url, 1).IsHttps(), c.https) << testing::PrintToString(c.url);
  }
}

TEST(RequestTest, AFreshRecordAnswersTheInitialValues) {
  const TRequest request(u"http://srv/a b", 7);
  EXPECT_EQ(request.GetId(), 7);
  EXPECT_EQ(request.GetUrl(), u"http://srv/a b");
  EXPECT_EQ(request.GetErrorCode(), -1);
  EXPECT_EQ(request.GetErrorDescription(), u"");
  EXPECT_EQ(request.GetResponse(), u"");
  EXPECT_FALSE(request.IsComplete());
  EXPECT_FALSE(request.IsMarkedForDeletion());
}

TEST(RequestTest, StoresTheBodyDecodedFromTheAnsiCodePage) {
  const struct {
    std::string body;
    std::u16string response;
  } kCases[] = {
      {"", u""},
      {"<sessionid>12</sessionid>", u"<sessionid>12</sessionid>"},
      {"caf\xE9 5\x80", u"caf\u00E9 5\u20AC"},
      // UTF-8 is not recognised: its two bytes of "é" become two characters.
      {"caf\xC3\xA9", u"caf\u00C3\u00A9"},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (const auto& c : kCases) {
    TRequest request(u"http://srv/", 1);
    request.SetResponse(c.body);
    request.SetComplete(true);
    EXPECT_EQ(request.GetResponse(), c.response) << c.body;
    EXPECT_EQ(request.GetErrorCode(), -1);
    EXPECT_EQ(TRequest::StreamToString(c.body), c.response);
  }
}

TEST(RequestTest, AFailureKeepsItsCodeAndDescription) {
  TRequest request(u"http://srv/missing", 1);
  request.SetErrorCode(404);
  request.SetErrorDescription(u"HTTP/1.1 404 Not Found");
  request.SetComplete(true);
  EXPECT_EQ(request.GetErrorCode(), 404);
  EXPECT_EQ(request.GetErrorDescription(), u"HTTP/1.1 404 Not Found");
  EXPECT_EQ(request.GetResponse(), u"");
}

TEST(RequestTest, TheOutcomeIsHiddenUntilCompleteAndFixedAfterwards) {
  TRequest request(u"http://srv/", 1);
  request.SetResponse("partial");
  request.SetErrorCode(500);
  EXPECT_EQ(request.GetResponse(), u"");  // the worker has not finished: initial values
  EXPECT_EQ(request.GetErrorCode(), -1);

  request.SetComplete(true);
  request.SetComplete(false);  // completion never goes back
  request.SetResponse("late");
  request.SetErrorCode(0);
  request.SetErrorDescription(u"late");
  EXPECT_TRUE(request.IsComplete());
  EXPECT_EQ(request.GetResponse(), u"partial");
  EXPECT_EQ(request.GetErrorCode(), 500);
  EXPECT_EQ(request.GetErrorDescription(), u"");
}

TEST(RequestTest, MarkingForDeletionIsIndependentOfCompletion) {
  TRequest request(u"http://srv/", 1);
  request.MarkForDeletion();
  request.MarkForDeletion();
  EXPECT_TRUE(request.IsMarkedForDeletion());
  EXPECT_FALSE(request.IsComplete());
}

// While the worker writes, a reader sees each outcome field either initial or final, and once
// it sees the flag it sees the whole final outcome. Under a thread sanitizer this also shows
// that polling readers never race with the worker's writes.
TEST(RequestTest, ReadersSeeTheInitialOrTheFinalOutcomeNeverAMix) {
  for (int round = 0; round < 200; ++round) {
    TRequest request(u"http://srv/", round);
    std::atomic<bool> sawOtherValue{false};
    std::thread reader([&] {
      bool complete = false;
      while (!complete) {
        complete = request.IsComplete();
        const int code = request.GetErrorCode();
        const std::u16string description = request.GetErrorDescription();
        if ((code != -1 && code != 503) || (description != u"" && description != u"Unavailable") ||
            (complete && (code != 503 || description != u"Unavailable"))) {
          sawOtherValue = true;
        }
      }
    });
    request.SetErrorCode(503);
    request.SetErrorDescription(u"Unavailable");
    request.SetComplete(true);
    reader.join();
    EXPECT_FALSE(sawOtherValue) << "round " << round;
  }
}

}  // namespace
