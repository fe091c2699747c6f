#pragma once
// The bridge listener's health as the display reports it.

#include <string>

struct ListenState {
  enum class Kind { failed, starting, ready, busy };
  Kind kind = Kind::starting;
  std::string text;  // when failed: the first 40 characters of the error

  static ListenState failed(std::string t) { return {Kind::failed, std::move(t)}; }
  static ListenState starting() { return {Kind::starting, {}}; }
  static ListenState ready() { return {Kind::ready, {}}; }
  static ListenState busy() { return {Kind::busy, {}}; }

  bool operator==(const ListenState& o) const {
    return kind == o.kind && (kind != Kind::failed || text == o.text);
  }
};
