// update.json as found on disk: loading never throws, and whatever it yields
// is saved and loaded back unchanged, byte for byte on the second save.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "store/update_store.hpp"

namespace {

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "update_store_load: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const UpdateState state = UpdateStore::decode(text);

  const auto bytes = UpdateStore::encode(state);
  require(bytes.has_value(), "a loaded state cannot be saved");
  const UpdateState reloaded = UpdateStore::decode(*bytes);
  require(reloaded == state, "a saved state loads back different");
  require(UpdateStore::encode(reloaded) == bytes, "saving is not stable");
  return 0;
}
