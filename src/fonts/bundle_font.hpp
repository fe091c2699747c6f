#pragma once
// A bundle may land on a system without any Hangul face, where Korean text
// would be drawn as boxes. It carries a small face with the app's own Korean
// texts, which joins the fonts the application knows when it runs from a
// bundle; fontconfig's own choices for Korean still come first.

#include <filesystem>
#include <optional>

// `bundle`: the bundle the app runs from, absent when it does not. Call once
// the application object exists, before any text is measured.
void useBundledFont(const std::optional<std::filesystem::path>& bundle);
