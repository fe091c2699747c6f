#include "app/man_page.hpp"

#include "app/option_table.hpp"

namespace {

// Text as roff reads it: a backslash is the escape character, a dash in an
// option is a real minus, and a line may not begin with a control character.
std::string roff(std::string_view text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
    lineStart = c == '\n';
  }
  return out;
}

std::string paragraph(std::string_view help) {
  return roff(help) + "\n";
}

std::string optionTerm(const Option& option) {
  std::string term = ".TP\n.B ";
  if (!option.alias.empty()) term += roff(option.alias) + ", ";
  term += roff(option.name);
  if (!option.value.empty()) term = ".TP\n.BI \"" + term.substr(7) + " \" " + std::string(option.value);
  return term + "\n";
}

void section(std::string& out, std::string_view heading, OptionGroup group, std::string_view intro = {}) {
  out += ".SH " + std::string(heading) + "\n";
  if (!intro.empty()) out += roff(intro) + "\n";
  for (const Option& option : optionTable())
    if (option.group == group) out += optionTerm(option) + paragraph(option.help);
}

void entries(std::string& out, std::string_view heading, std::span<const Entry> list, const char* font) {
  out += ".SH " + std::string(heading) + "\n";
  for (const Entry& e : list)
    out += ".TP\n" + std::string(font) + " " + roff(e.name) + "\n" + paragraph(e.help);
}

}  // namespace

std::string manPage(std::string_view version, std::string_view month) {
  std::string out = ".TH QUOTALUME 1 \"" + std::string(month) + "\" \"Quotalume " + std::string(version) +
                    "\" \"User Commands\"\n"
                    ".SH NAME\n"
                    "quotalume \\- tray gauge of AI service usage limits\n"
                    ".SH SYNOPSIS\n"
                    ".B quotalume\n"
                    ".RI [ OPTION ]...\n"
                    ".SH DESCRIPTION\n"
                    ".B quotalume\n"
                    "shows in the system tray how much of an AI service's usage limits has been\n"
                    "used. A companion browser extension posts the readings to a loopback HTTP\n"
                    "bridge on 127.0.0.1, port 47615; the readings are checked, stored and shown\n"
                    "in Korean or English. Without a mode the tray app starts; one copy runs per\n"
                    "user, and a second start shows the running copy's panel.\n";
  section(out, "MODES", OptionGroup::mode, "The first mode given in this order runs.");
  section(out, "OPTIONS OF --STATUS AND --HISTORY", OptionGroup::command);
  section(out, "OPTIONS", OptionGroup::tray);
  section(out, "TOOLKIT OPTIONS", OptionGroup::toolkit,
          "Read by the toolkit (Qt), with one dash or two. Any other option is ignored\n"
          "and named on standard error.");
  entries(out, "ENVIRONMENT", environmentTable(), ".B");
  entries(out, "FILES", fileTable(), ".I");
  entries(out, "EXIT STATUS", exitStatusTable(), ".B");
  return out;
}
