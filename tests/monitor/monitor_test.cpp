// The running app's reading logic without any toolkit: bursts, the saved
// pair, the history, the listener, the data folder and the notices, driven
// with a made-up clock in a temporary folder.
#include "monitor/monitor.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "display/phrases.hpp"
#include "store/fixtures.hpp"
#include "store/reading_store.hpp"
#include "support/replacements.hpp"

namespace {

constexpr EpochSeconds start = 1760421600;  // 2025-10-14 06:00 UTC

Reading okReading(EpochSeconds at, double pct, EpochSeconds resetsAt = start + 3600) {
  return {"ok", {}, {}, at * 1000, at * 1000, {{"session", pct, resetsAt * 1000}}};
}

struct Harness {
  TempFolder dir;
  std::vector<std::string> log;
  std::vector<Frame> written;
  MonitorFiles files{dir / "last.json", dir / "alerts.json", dir / "history.jsonl"};

  Monitor make() {
    return Monitor(files, {.log = [this](std::string_view line) { log.emplace_back(line); },
                           .writeState = [this](const Frame& f, const ListenState&,
                                                EpochSeconds) { written.push_back(f); }});
  }
  std::size_t logged(std::string_view text) const {
    return std::ranges::count_if(log,
                                 [&](const std::string& l) { return l.find(text) != std::string::npos; });
  }
};

TEST(Monitor, ABurstKeepsTheLastReadingWithOneSaveOneHistoryLineAndOneFrame) {
  Harness h;
  Monitor m = h.make();
  m.load(start);
  ASSERT_TRUE(m.frame(start, false));
  Replacements saves(h.dir.path);

  EXPECT_EQ(std::vector<bool>({m.enqueue(okReading(start, 10)), m.enqueue(okReading(start, 20)),
                               m.enqueue(okReading(start, 77))}),
            std::vector<bool>({true, false, false}))
      << "one drain per burst";
  m.drain(start + 1);
  const Reading last = okReading(start, 77);
  EXPECT_EQ(Store::load(h.files.last, start + 1), (Saved{last, last}));
  EXPECT_EQ(saves.count("last.json"), 1);
  EXPECT_EQ(h.logged("reading status=ok windows=1"), 1u);
  // The history is appended off the caller's thread.
  const std::vector<HistoryEntry> recorded{{last.received_at, last.windows}};
  for (int i = 0; i < 200 && History::load(h.files.history, start + 60) != recorded; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(History::load(h.files.history, start + 60), recorded);

  const auto frame = m.frame(start + 1, false);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->shown.headline, "77%");
  EXPECT_EQ(m.frame(start + 1, false), std::nullopt) << "the same model is not handed up twice";
  EXPECT_TRUE(m.frame(start + 1, true)) << "unless forced";
  EXPECT_EQ(h.written.size(), 3u) << "each frame handed up is mirrored, and only those";
  EXPECT_TRUE(m.enqueue(okReading(start + 2, 78))) << "the next burst asks for its own drain";
}

TEST(Monitor, OnlyReadingsTheRuleKeepsAreSavedAndAListenerChangeIsAFrame) {
  Harness h;
  Monitor m = h.make();
  m.load(start);
  m.enqueue(okReading(start, 42));
  m.drain(start);
  ASSERT_TRUE(m.frame(start + 60, false));

  Reading error{"error", "fetch failed", {}, (start + 60) * 1000, (start + 60) * 1000, {}};
  m.enqueue(error);
  m.drain(start + 60);
  EXPECT_EQ(m.saved().latest->status, "ok") << "an error shortly after good numbers is ignored";
  EXPECT_EQ(h.logged("ignored"), 1u);
  EXPECT_EQ(m.frame(start + 60, false), std::nullopt);

  m.setListen(ListenState::ready());
  EXPECT_TRUE(m.frame(start + 60, false)) << "the state file mirrors the listener too";
  EXPECT_FALSE(m.takeListenerRetry());
  for (const ListenState& broken : {ListenState::busy(), ListenState::failed("x")}) {
    m.setListen(broken);
    EXPECT_TRUE(m.takeListenerRetry());
    EXPECT_EQ(m.listen(), ListenState::starting());
  }
}

TEST(Monitor, AStoredPairShowsGreyAndAnUnusableDataFolderIsSaidWhileReadingsShow) {
  Harness h;
  Store::save(Saved{okReading(start - 60, 42), okReading(start - 60, 42)}, h.files.last);
  {
    Monitor m = h.make();
    m.load(start);
    EXPECT_FALSE(m.freshThisSession());
    EXPECT_EQ(m.frame(start, false)->shown.headline, "42%");
    EXPECT_EQ(m.dataProblem(), std::nullopt);
  }
  std::ofstream(h.dir / "taken") << "a file where the folder should be";
  h.files.last = h.dir / "taken" / "last.json";
  Monitor m = h.make();
  m.load(start);
  EXPECT_NE(m.dataProblem(), std::nullopt);
  EXPECT_EQ(h.logged("readings are not saved: "), 1u);
  EXPECT_EQ(m.frame(start, false)->shown.status, unsavedReadingsNote())
      << "in place of waiting for the extension";
  m.enqueue(okReading(start, 77));
  m.drain(start);
  const auto frame = m.frame(start, false);
  EXPECT_EQ(std::pair(frame->shown.headline, frame->shown.status),
            std::pair(std::string("77%"), std::optional(unsavedReadingsNote())));
}

TEST(Monitor, NoticesOncePerCrossingOnlyForThisRunsReadingsAndAcrossARestart) {
  Harness h;
  const EpochSeconds resetsAt = start + 2 * 3600;
  const auto kinds = [](const std::vector<LimitNotice>& notices) {
    std::vector<AlertKind> all;
    for (const auto& n : notices) all.push_back(n.kind);
    return all;
  };
  const auto post = [&](Monitor& m, double pct, EpochSeconds at, EpochSeconds resets) {
    m.enqueue(okReading(at, pct, resets));
    return kinds(m.drain(at));
  };
  Store::save(Saved{okReading(start - 30, 95), okReading(start - 30, 95)}, h.files.last);
  {
    Monitor m = h.make();
    m.load(start);
    m.frame(start, false);
    EXPECT_FALSE(std::filesystem::exists(h.files.alerts)) << "numbers from disk never speak";
    EXPECT_EQ(post(m, 85, start, resetsAt), std::vector{AlertKind::near});
    EXPECT_EQ(post(m, 90, start + 30, resetsAt + 0.004), std::vector<AlertKind>{}) << "nothing new";
    m.notices().setEnabled(false);
    EXPECT_EQ(post(m, 100, start + 60, resetsAt), std::vector<AlertKind>{}) << "switched off: unjudged";
    m.notices().setEnabled(true);
    EXPECT_EQ(post(m, 100, start + 90, resetsAt), std::vector{AlertKind::reached});
  }
  // A restart remembers through alerts.json.
  Monitor restarted = h.make();
  restarted.load(start + 120);
  EXPECT_EQ(post(restarted, 100, start + 120, resetsAt), std::vector<AlertKind>{});
}

}  // namespace
