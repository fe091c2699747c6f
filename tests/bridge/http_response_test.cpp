#include "bridge/http_response.hpp"

#include <gtest/gtest.h>

#include "bridge/request_processing.hpp"
#include "bridge/wire_responses.hpp"

namespace {

TEST(HTTPResponse, SerializesEveryAnswerExactly) {
  struct Case {
    const char* name;
    HTTPResponse response;
    std::string_view want;
  } cases[] = {
      {"400", HTTPResponse::plain(400), wire::badRequest},
      {"403", HTTPResponse::plain(403), wire::forbidden},
      {"404", HTTPResponse::plain(404), wire::notFound},
      {"413", HTTPResponse::plain(413), wire::tooLarge},
      {"ping", pingResponse(), wire::ping},
      {"204", HTTPResponse{204, {}, std::nullopt}, wire::noContent},
      // Nothing but the status decides the shape of a 204.
      {"204 with stray body", HTTPResponse{204, "x", "text/plain"}, wire::noContent},
      {"unknown status", HTTPResponse::plain(500),
       "HTTP/1.1 500 Error\r\nContent-Type: application/json\r\nContent-Length: 17\r\n"
       "Cache-Control: no-store\r\nConnection: close\r\n\r\n"
       R"({"error":"error"})"},
      {"no content type", HTTPResponse{200, "hi", std::nullopt},
       "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nCache-Control: no-store\r\nConnection: close\r\n\r\nhi"},
      {"body length counts bytes", HTTPResponse{200, "\xED\x95\x9C", std::nullopt},
       "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nCache-Control: no-store\r\nConnection: "
       "close\r\n\r\n\xED\x95\x9C"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.response.serialized(), c.want);
  }
}

TEST(HTTPResponse, NamesReasons) {
  struct Case {
    int status;
    std::string_view reason;
  } cases[] = {{200, "OK"},        {204, "No Content"},        {400, "Bad Request"}, {403, "Forbidden"},
               {404, "Not Found"}, {413, "Payload Too Large"}, {0, "Error"},         {201, "Error"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    EXPECT_EQ((HTTPResponse{c.status, {}, {}}).reason(), c.reason);
  }
}

}  // namespace
