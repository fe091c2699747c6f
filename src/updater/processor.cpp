#include "updater/processor.hpp"

#include <array>
#include <fstream>

namespace Updater {

std::span<const std::string_view> feedMembers(std::uint16_t machine) {
  static constexpr std::array<std::string_view, 2> x86_64{"linux-amd64", "linux"};
  static constexpr std::array<std::string_view, 1> aarch64{"linux-arm64"};
  switch (machine) {
    case elfX86_64:
      return x86_64;
    case elfAarch64:
      return aarch64;
    default:
      return {};
  }
}

std::uint16_t ownMachine() {
#if defined(__x86_64__)
  return elfX86_64;
#elif defined(__aarch64__)
  return elfAarch64;
#else
  return 0;  // no release is built for it: no feed member, every ELF foreign
#endif
}

bool foreignProgram(const std::filesystem::path& file, std::uint16_t machine) {
  // e_ident (magic, class, data order, ...) then e_type, then e_machine.
  constexpr std::size_t headBytes = 20;
  std::array<unsigned char, headBytes> head{};
  std::ifstream in(file, std::ios::binary);
  if (!in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()))) return false;
  if (head[0] != 0x7f || head[1] != 'E' || head[2] != 'L' || head[3] != 'F') return false;
  constexpr unsigned char class64 = 2, littleEndian = 1;
  const auto found = std::uint16_t(head[18] | head[19] << 8);
  return head[4] != class64 || head[5] != littleEndian || found != machine;
}

}  // namespace Updater
