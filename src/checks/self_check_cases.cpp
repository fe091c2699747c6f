// The cases the shipped binary checks about itself. Each compares the real
// functions with values worked out by hand, in both languages where words are
// involved.
#include <cmath>
#include <limits>
#include <sstream>

#include "base/app_version.hpp"
#include "bridge/http_head.hpp"
#include "bridge/request_processing.hpp"
#include "build_config.hpp"
#include "checks/self_check.hpp"
#include "display/phrases.hpp"
#include "display/shown.hpp"
#include "readings/reading.hpp"
#include "readings/window_state.hpp"
#include "updater/support_switch.hpp"
#include "updater/update_rules.hpp"
#include "updater/update_texts.hpp"

namespace {

constexpr EpochSeconds now = 1760421600;  // 2025-10-14 06:00 UTC
constexpr double nowMs = now * 1000;
const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

std::string visible(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::string> differ(const std::string& got, const std::string& want) {
  if (got == want) return std::nullopt;
  return "got \"" + visible(got) + "\", want \"" + visible(want) + "\"";
}

using Text = std::function<std::string()>;

struct Checks {
  std::vector<Check> list;

  void same(std::string name, Text got, std::string want) {
    list.push_back({std::move(name), [got, want] { return differ(got(), want); }});
  }
  void startsWith(std::string name, bool korean, Text got, std::string prefix) {
    list.push_back({std::move(name), [korean, got, prefix]() -> std::optional<std::string> {
                      isKorean = korean;
                      const std::string g = got();
                      if (g.starts_with(prefix) && g.size() > prefix.size()) return std::nullopt;
                      return "got \"" + g + "\", want \"" + prefix + "\" and more";
                    }});
  }
  void both(const std::string& name, const Text& got, const std::string& ko, const std::string& en) {
    same(
        name + " [ko]",
        [got] {
          isKorean = true;
          return got();
        },
        ko);
    same(
        name + " [en]",
        [got] {
          isKorean = false;
          return got();
        },
        en);
  }
};

std::string num(double x) {
  std::ostringstream out;
  // Enough digits for epoch milliseconds, few enough that 42.3 stays 42.3.
  out.precision(15);
  out << x;
  return out.str();
}

std::string describe(const std::optional<Reading>& r) {
  if (!r) return "absent";
  std::string s = r->status;
  if (r->plan) s += " plan=" + *r->plan;
  if (r->error) s += " error=" + *r->error;
  for (const auto& w : r->windows) {
    s += " " + w.key + ":" + num(w.pct);
    if (w.resets_at) s += "@" + num(*w.resets_at);
  }
  return s;
}

std::optional<Reading> parse(const std::string& body) {
  return parseReading(std::string_view(body), now);
}

std::span<const std::uint8_t> bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::string describe(const Step& step) {
  if (step.kind == Step::Kind::needMore) return step.sendContinue ? "needMore+continue" : "needMore";
  return step.response.serialized() + (step.reading ? " +reading" : "");
}

const std::string usageBody =
    R"({"v":1,"status":"ok","plan":"Max 5x","fetched_at":1760421540000,"windows":[)"
    R"({"key":"weekly","pct":18},{"key":"session","pct":42.3,"resets_at":1760429400000}]})";

std::string post(const std::string& extraHeaders, const std::string& body = usageBody,
                 const std::string& origin = "chrome-extension://abc") {
  return "POST /usage HTTP/1.1\r\nHost: 127.0.0.1:47615\r\nOrigin: " + origin +
         "\r\nX-Quotalume: 1\r\nContent-Type: application/json\r\n" + extraHeaders +
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string processed(const std::string& request) {
  return describe(processRequest(bytes(request), now));
}

std::string refusal(int status, const std::string& reason, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason +
         "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body;
}

const std::string noContent =
    "HTTP/1.1 204 No Content\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";

void contractChecks(Checks& c) {
  c.same(
      "full document",
      [] {
        return describe(parse(
            R"({"v":1,"status":"ok","plan":"Max 5x","fetched_at":1760421600000,"future_field":{"a":1},)"
            R"("windows":[{"key":"session","pct":42.3},{"key":"weekly","pct":18.0},)"
            R"({"key":"opus","pct":5.0,"extra":true},{"key":"haiku_next","pct":77,"resets_at":null}]})"));
      },
      "ok plan=Max 5x session:42.3 weekly:18 opus:5");
  c.same(
      "window order is fixed",
      [] {
        return describe(parse(
            R"({"status":"ok","windows":[{"key":"design","pct":6},{"key":"sonnet","pct":4},)"
            R"({"key":"session","pct":1},{"key":"fable","pct":5},{"key":"weekly","pct":2},{"key":"opus","pct":3}]})"));
      },
      "ok session:1 weekly:2 opus:3 sonnet:4 fable:5 design:6");
  c.same(
      "bad windows are skipped",
      [] {
        return describe(parse(
            R"({"status":"ok","windows":[{"key":"session","pct":null},{"key":"weekly","pct":"5"},)"
            R"({"key":"opus","pct":true},{"pct":5},"junk",{"key":"sonnet","pct":-3,"resets_at":"x"}]})"));
      },
      "ok sonnet:0");
  c.same(
      "error text cleaned",
      [] {
        return describe(
            parse(R"({"v":1,"status":"error","error":"http-503\nX","fetched_at":1760421600000})"));
      },
      "error error=http-503X");
  c.same(
      "hostile numbers clamped",
      [] {
        return describe(parse(R"({"status":"ok","windows":[{"key":"session","pct":1e308,"resets_at":1e15},)"
                              R"({"key":"weekly","pct":5,"resets_at":1760421600000}]})"));
      },
      "ok session:10000 weekly:5@1760421600000");
  c.same(
      "no_data takes now",
      [] {
        auto r = parse(R"({"status":"no_data"})");
        return r ? num(r->fetched_at) + " " + num(r->received_at) : "absent";
      },
      num(nowMs) + " " + num(nowMs));
  const char* rejected[] = {
      R"({"status":"weird"})",
      R"({"status":"ok","windows":"x"})",
      R"({"v":"1","status":"ok"})",
      R"({"v":0,"status":"ok"})",
      R"({"status":"ok","fetched_at":0})",
      R"({"status":"ok","fetched_at":"NaN"})",
      R"({"status":"ok","windows":[{"key":"session","pct":NaN}]})",
      R"({"status":"ok","plan":)",
      R"(["ok"])",
  };
  for (const char* doc : rejected) {
    c.same(
        std::string("rejects ") + doc, [doc] { return describe(parse(doc)); }, "absent");
  }
  c.same(
      "safeInt",
      [] {
        return std::to_string(safeInt(nan)) + " " + std::to_string(safeInt(inf)) + " " +
               std::to_string(safeInt(-inf)) + " " + std::to_string(safeInt(-2.9));
      },
      "0 9000000000000000 -9000000000000000 -2");
  c.same(
      "text cut at 40 characters",
      [] {
        return cleanText(std::optional<std::string>(" \t" + std::string(45, 'x') + " "), 40)
            .value_or("absent");
      },
      std::string(40, 'x'));
  c.same(
      "control-only text is absent",
      [] { return cleanText(std::optional<std::string>("\t\n\u200B  \r"), 40).value_or("absent"); },
      "absent");
}

void bridgeChecks(Checks& c) {
  c.same(
      "valid post answers 204", [] { return processed(post("")); }, noContent + " +reading");
  c.same(
      "ping", [] { return processed("GET /ping HTTP/1.1\r\nHost: localhost:47615\r\n\r\n"); },
      "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
          std::to_string(std::string(R"({"app":"Quotalume","version":"","platform":""})").size() +
                         appVersion().size() + std::string_view(Build::platform).size()) +
          "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + R"({"app":"Quotalume","version":")" +
          std::string(appVersion()) + R"(","platform":")" + Build::platform + R"("})");
  const std::string forbidden = refusal(403, "Forbidden", R"({"error":"forbidden"})");
  const std::string badRequest = refusal(400, "Bad Request", R"({"error":"bad request"})");
  c.same(
      "web origin refused", [] { return processed(post("", usageBody, "https://example.com")); }, forbidden);
  c.same(
      "foreign host refused",
      [] { return processed("GET /ping HTTP/1.1\r\nHost: 127.0.0.1.example.com:47615\r\n\r\n"); }, forbidden);
  c.same(
      "options refused", [] { return processed("OPTIONS /usage HTTP/1.1\r\nHost: localhost\r\n\r\n"); },
      forbidden);
  c.same(
      "unknown path", [] { return processed("GET /nope HTTP/1.1\r\nHost: localhost\r\n\r\n"); },
      refusal(404, "Not Found", R"({"error":"not found"})"));
  c.same(
      "chunked refused", [] { return processed(post("Transfer-Encoding: chunked\r\n")); }, badRequest);
  c.same(
      "too large before the body",
      [] {
        return processed(
            "POST /usage HTTP/1.1\r\nHost: 127.0.0.1\r\nOrigin: moz-extension://1\r\nX-Quotalume: 1\r\n"
            "Content-Type: application/json\r\nContent-Length: 70000\r\n\r\n");
      },
      refusal(413, "Payload Too Large", R"({"error":"payload too large"})"));
  c.same(
      "contract breach is 400", [] { return processed(post("", R"({"status":"maybe"})")); }, badRequest);
  c.same(
      "lower-case method is 400", [] { return processed("get /ping HTTP/1.1\r\nHost: localhost\r\n\r\n"); },
      badRequest);
  c.same(
      "expect continue",
      [] {
        const std::string r = post("Expect: 100-continue\r\n");
        return processed(r.substr(0, r.size() - 5));
      },
      "needMore+continue");
  c.same(
      "byte at a time",
      [] {
        const std::string r = post("");
        for (std::size_t n = 0; n < r.size(); ++n) {
          auto step = describe(processRequest(bytes(r.substr(0, n)), now));
          if (step != "needMore") return "prefix " + std::to_string(n) + ": " + step;
        }
        return processed(r);
      },
      noContent + " +reading");
  c.same(
      "head names lower-cased",
      [] {
        auto parsed = parseHead(bytes("GET /ping HTTP/1.1\r\nHOST:  localhost:47615 \r\n\r\n"));
        return parsed.kind == HeadParse::Kind::head ? parsed.head.h("host").value_or("none") : "not a head";
      },
      "localhost:47615");
}

UsageWindow window(std::string key, double pct, std::optional<double> resetsAt) {
  return {std::move(key), pct, resetsAt};
}

std::string describe(const Effective& e) {
  switch (e.state.kind) {
    case WinState::Kind::active:
      return num(e.pct) + " active@" + num(e.state.resetsAt);
    case WinState::Kind::reset:
      return num(e.pct) + " reset";
    case WinState::Kind::notStarted:
      return num(e.pct) + " notStarted";
  }
  return "?";
}

void windowChecks(Checks& c) {
  c.same(
      "active window", [] { return describe(effective(window("session", 42, nowMs + 1000), now)); },
      "42 active@" + num(now + 1));
  c.same(
      "reset at the moment", [] { return describe(effective(window("session", 42, nowMs), now)); },
      "0 reset");
  c.same(
      "not started", [] { return describe(effective(window("weekly", inf, std::nullopt), now)); },
      "0 notStarted");
  c.same(
      "data time is the earlier",
      [] {
        Reading r;
        r.fetched_at = 2000;
        r.received_at = 1000;
        return num(r.dataTime());
      },
      "1");
}

void phraseChecks(Checks& c) {
  c.same(
      "pct rounding",
      [] { return pctText(42.4) + " " + pctText(42.5) + " " + pctText(nan) + " " + pctText(1e300); },
      "42% 43% 0% 9000000000000000%");
  struct Ago {
    double seconds;
    const char *ko, *en;
  } ages[] = {
      {59, "방금", "just now"},          {60, "1분 전", "1 min ago"},
      {3599, "59분 전", "59 min ago"},   {3600, "1시간 전", "1 hr ago"},
      {86399, "23시간 전", "23 hr ago"}, {86400, "1일 전", "1 day ago"},
      {172800, "2일 전", "2 days ago"},  {-30, "방금", "just now"},
      {nan, "방금", "just now"},         {1e300, "104166666666일 전", "104166666666 days ago"},
  };
  for (const auto& a : ages) {
    c.both(
        "agoText " + num(a.seconds), [s = a.seconds] { return agoText(s); }, a.ko, a.en);
  }
  c.both(
      "30 s left", [] { return remainingText(now + 30, now); }, "1분 뒤 리셋", "resets in 1m");
  c.both(
      "past reset", [] { return remainingText(now - 100, now); }, "1분 뒤 리셋", "resets in 1m");
  c.both(
      "59 min left", [] { return remainingText(now + 59 * 60, now); }, "59분 뒤 리셋", "resets in 59m");
  c.startsWith(
      "one hour left", false, [] { return remainingText(now + 3600, now); }, "resets in 1h \u00B7 ");
  c.startsWith(
      "23 h 59 min left", true, [] { return remainingText(now + 1439 * 60, now); },
      "23시간 59분 뒤 리셋 \u00B7 ");
  c.startsWith(
      "rounds up to a day", false, [] { return remainingText(now + 86370, now); }, "resets in 1d \u00B7 ");
  c.startsWith(
      "days and hours", true, [] { return remainingText(now + 4 * 86400 + 6 * 3600 + 2400, now); },
      "4일 6시간 뒤 리셋 \u00B7 ");
  c.both(
      "label", [] { return windowLabel("design"); }, "Claude Design 7일", "Claude Design 7-day");
  c.both(
      "unknown label", [] { return windowLabel("haiku_next"); }, "haiku_next", "haiku_next");
  c.both(
      "reset line", [] { return resetLine(WinState::reset(), now); }, "리셋됨", "reset");
  c.both(
      "not started line", [] { return resetLine(WinState::notStarted(), now); }, "아직 시작 전",
      "not started yet");
}

Reading reading(const std::string& status, double ageSeconds, std::vector<UsageWindow> windows = {}) {
  Reading r;
  r.status = status;
  r.fetched_at = r.received_at = (now - ageSeconds) * 1000;
  r.windows = std::move(windows);
  return r;
}

Saved okSaved(double ageSeconds, double sessionPct = 42.3) {
  Reading r =
      reading("ok", ageSeconds,
              {window("session", sessionPct, (now + 7800) * 1000), window("weekly", 18, std::nullopt)});
  r.plan = "Max 5x";
  return {r, r};
}

std::string summary(const Shown& s) {
  std::string out = s.phase + " " + s.headline + " " + std::string(toneName(s.tone)) +
                    " rows=" + std::to_string(s.details.size());
  if (s.status) out += " status=" + *s.status;
  if (s.footer) out += " footer=" + *s.footer;
  return out;
}

void displayChecks(Checks& c) {
  const std::string site = Build::serviceSite;
  c.both(
      "waiting first", [] { return summary(buildShown({}, false, ListenState::ready(), now)); },
      "waiting_first \u2013 dim rows=0 status=확장 프로그램을 기다리는 중이에요",
      "waiting_first \u2013 dim rows=0 status=Waiting for the browser extension");
  c.both(
      "live reading", [] { return summary(buildShown(okSaved(60), true, ListenState::ready(), now)); },
      "ok 42% normal rows=2 footer=Max 5x \u00B7 갱신 1분 전",
      "ok 42% normal rows=2 footer=Max 5x \u00B7 updated 1 min ago");
  c.same(
      "fresh at 599 s", [] { return buildShown(okSaved(599), true, ListenState::ready(), now).phase; }, "ok");
  c.same(
      "stale at 600 s", [] { return buildShown(okSaved(600), true, ListenState::ready(), now).phase; },
      "stale");
  c.same(
      "from disk is stale", [] { return buildShown(okSaved(5), false, ListenState::ready(), now).phase; },
      "stale");
  c.same(
      "tones",
      [] {
        std::string out;
        for (double p : {69.4, 69.5, 89.4, 89.5, 10000.0}) {
          out += std::string(toneName(buildShown(okSaved(1, p), true, ListenState::ready(), now).tone)) + " ";
        }
        return out;
      },
      "normal orange orange red red ");
  c.both(
      "signed out keeps old numbers",
      [] {
        Saved s = okSaved(120);
        s.latest = reading("signed_out", 30);
        return summary(buildShown(s, true, ListenState::ready(), now));
      },
      "signed_out 42% dim rows=2 status=" + site + "에 로그인해 주세요 footer=Max 5x \u00B7 갱신 2분 전",
      "signed_out 42% dim rows=2 status=Log in to " + site +
          " in your browser footer=Max 5x \u00B7 updated 2 min ago");
  c.both(
      "free plan shows no numbers",
      [] {
        Saved s = okSaved(120);
        s.latest = reading("no_data", 30);
        return summary(buildShown(s, true, ListenState::ready(), now));
      },
      "no_data \u2013 dim rows=0 status=무료 플랜은 사용량 숫자가 없어요",
      "no_data \u2013 dim rows=0 status=Free plans don't show usage numbers");
  c.both(
      "error text",
      [] {
        Saved s = okSaved(120);
        s.latest = reading("error", 30);
        s.latest->error = "http-503";
        return *buildShown(s, true, ListenState::ready(), now).status;
      },
      "사용량을 못 가져왔어요 (http-503)", "Couldn't get usage (http-503)");
  c.both(
      "port busy", [] { return summary(buildShown(okSaved(60), true, ListenState::busy(), now)); },
      "port_busy 42% dim rows=2 status=47615 포트를 다른 프로그램이 쓰고 있어요 footer=Max 5x \u00B7 갱신 "
      "1분 전",
      "port_busy 42% dim rows=2 status=Port 47615 is in use by another app footer=Max 5x \u00B7 updated 1 "
      "min ago");
  c.same(
      "listener failed",
      [] {
        isKorean = false;
        return *buildShown(okSaved(60), true, ListenState::failed("listener init failed"), now).status;
      },
      "Couldn't get usage (listener init failed)");
  c.both(
      "window past its reset",
      [] {
        Saved s = okSaved(60);
        s.ok->windows[0].resets_at = (now - 1) * 1000;
        s.latest = s.ok;
        Shown shown = buildShown(s, true, ListenState::ready(), now);
        return shown.headline + " " + shown.details[0].pct + " " + shown.details[0].reset + " " +
               num(shown.gauge.value_or(-1)) + " / " + shown.details[1].pct + " " + shown.details[1].reset;
      },
      "0% 0% 리셋됨 0 / 0% 아직 시작 전", "0% 0% reset 0 / 0% not started yet");
  c.both(
      "spoken label",
      [] {
        Saved s = okSaved(60);
        s.ok->windows.resize(1);
        s.ok->windows[0].resets_at = std::nullopt;
        s.latest = s.ok;
        return infoAccessibilityLabel(buildShown(s, true, ListenState::ready(), now));
      },
      "5시간 한도 0%, 아직 시작 전. Max 5x \u00B7 갱신 1분 전",
      "5-hour limit 0%, not started yet. Max 5x \u00B7 updated 1 min ago");
}

void updaterChecks(Checks& c) {
  c.same(
      "version order",
      [] {
        std::string out;
        for (const auto& [a, b] : {std::pair{"1.0.3", "1.0.2"},
                                   {"1.0.2", "1.0.2"},
                                   {"1.0.10", "1.0.9"},
                                   {"1.0", "1.0.0"},
                                   {"1.0.0.1", "1.0"},
                                   {"1.0.3-beta", "1.0.3"}}) {
          out += Updater::newer(a, b) ? "1" : "0";
        }
        return out;
      },
      "101010");
  const std::string host = Build::siteHost;
  c.same(
      "support switch",
      [host] {
        std::string out;
        for (const std::string& v :
             {"https://" + host + "/x\n", "https://" + host + ":443/x", "http://" + host + "/x",
              "https://www." + host, "https://" + host + "@evil.example", "https://" + host + ":8443/x"}) {
          out += Links::supportSwitchOn(v) ? "1" : "0";
        }
        return out;
      },
      "110000");
  c.both(
      "up to date", [] { return UpdateTexts::upToDate("1.0.2"); }, "지금 쓰시는 1.0.2이 최신 버전이에요.",
      "You\u2019re up to date (1.0.2).");
}

}  // namespace

std::vector<Check> selfChecks() {
  Checks c;
  contractChecks(c);
  bridgeChecks(c);
  windowChecks(c);
  phraseChecks(c);
  displayChecks(c);
  updaterChecks(c);
  return std::move(c.list);
}
