#pragma once
// Desktop entry files as a desktop reads them. A value is first unescaped as
// a string (\\, \s, \n, \t, \r), and Exec is then split by its own quoting
// rules and field codes; writing goes through the same two levels the other
// way round.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using DesktopEntryKeys = std::map<std::string, std::string, std::less<>>;

// The Exec value that runs `program` with no arguments; absent when the path
// holds a control character or is not UTF-8, which no entry carries safely.
// A path holding '%' is started through /bin/sh.
std::optional<std::string> execValueFor(const std::string& program);

// The program an Exec value starts, seen through the shell execValueFor puts
// before a path holding '%'; absent when execArguments is.
std::optional<std::string> execProgram(std::string_view value);

// The keys of the [Desktop Entry] group, values still escaped. Absent when a
// desktop would refuse the file: not UTF-8, a control character, a line that
// is neither a group, a key nor a comment, a key before the first group, a
// first group other than [Desktop Entry], a key or that group given twice.
std::optional<DesktopEntryKeys> desktopEntryKeys(std::string_view text);

// The program and arguments an Exec value starts, before field codes are
// expanded; absent on a bad escape, an open quote, an unknown field code or
// an empty command.
std::optional<std::vector<std::string>> execArguments(std::string_view value);
