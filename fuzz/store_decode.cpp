// last.json as found on disk: decoding never throws, every reading it keeps
// has passed the sanitiser, and what it keeps survives a save and a reload
// unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "store/reading_store.hpp"

namespace {

constexpr EpochSeconds now = 1760421600;  // 2025-10-14 06:00:00 UTC

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "store_decode: %s\n", what);
  std::abort();
}

void requireSanitised(const std::optional<Reading>& reading) {
  if (!reading) return;
  const auto again = sanitizeReading(*reading, now);
  require(again && *again == *reading, "a loaded reading changes when sanitised again");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Saved saved = Store::decode(std::span<const std::uint8_t>(data, size), now);
  requireSanitised(saved.latest);
  requireSanitised(saved.ok);
  require(!saved.ok || saved.ok->status == "ok", "ok holds a reading of another status");

  const auto bytes = Store::encode(saved);
  require(bytes.has_value(), "a loaded pair cannot be saved");
  const Saved reloaded = Store::decode(*bytes, now);
  require(reloaded == saved, "a saved pair loads back different");
  require(Store::encode(reloaded) == bytes, "saving is not stable");
  return 0;
}
