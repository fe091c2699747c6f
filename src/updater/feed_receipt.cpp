#include "updater/feed_receipt.hpp"

#include "store/log.hpp"
#include "updater/support_switch.hpp"

namespace Updater {

std::optional<bool> receiveFeed(UpdateState& state, const std::optional<std::string>& support,
                                EpochSeconds at, const std::filesystem::path& file) {
  const bool wasOn = Links::supportSwitchOn(state.support);
  state.support = support;
  state.checked_at = at * 1000;
  UpdateStore::save(state, file);
  const bool nowOn = Links::supportSwitchOn(support);
  if (nowOn == wasOn) return std::nullopt;
  log(nowOn ? "support menu on" : "support menu off");
  return nowOn;
}

}  // namespace Updater
