#pragma once
// The updater's words, in the interface language.

#include <optional>
#include <string>
#include <string_view>

namespace UpdateTexts {

std::string ok();
std::string upToDate(std::string_view version);
std::string checkFailed();
std::string offerTitle(std::string_view version);
// The notes, when there are any, above the line that says the app will restart.
std::string offerDetail(const std::optional<std::string>& notes);
std::string updateNow();
std::string later();
std::string installFailed();

}  // namespace UpdateTexts
