#include "updater/update_texts.hpp"

#include "display/phrases.hpp"

namespace UpdateTexts {

std::string ok() {
  return T("확인", "OK");
}
std::string upToDate(std::string_view version) {
  const std::string v(version);
  return T("지금 쓰시는 " + v + "이 최신 버전이에요.", "You\u2019re up to date (" + v + ").");
}
std::string checkFailed() {
  return T("업데이트 정보를 가져오지 못했어요. 잠시 뒤 다시 해 주세요.",
           "Couldn\u2019t check for updates. Please try again later.");
}
std::string offerTitle(std::string_view version) {
  const std::string v(version);
  return T("새 버전 " + v + "이 있어요", "Quotalume " + v + " is available");
}
std::string offerDetail(const std::optional<std::string>& notes) {
  return (notes ? *notes + "\n\n" : std::string()) + T("지금 업데이트하면 앱이 잠깐 꺼졌다가 다시 켜져요.",
                                                       "The app will quit and reopen to finish the update.");
}
std::string updateNow() {
  return T("지금 업데이트", "Update Now");
}
std::string later() {
  return T("나중에", "Later");
}
std::string installFailed() {
  return T("업데이트를 끝내지 못했어요. 내려받기 페이지를 열게요.",
           "Couldn\u2019t finish the update. Opening the download page.");
}

}  // namespace UpdateTexts
