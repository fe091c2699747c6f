#pragma once
// The modes that draw a piece of the interface into a PNG and end the process.

#include <ostream>
#include <string>

#include <QImage>

// Five glyphs at three times their tray size, side by side on white.
QImage glyphStrip();
// The panel for captioned sample states, a light and a dark column.
QImage menuSheet();
// The usage history of a generated busy fortnight: English above Korean,
// light beside dark.
QImage historySheet();
// The guide window under a plain title bar, as a user sees it.
QImage guideImage();

// Each writes its image to `path` and returns the process status: 0, and for
// the menu, guide and history modes the line "wrote PATH WxH" on `out` with
// the size in device-independent pixels; 1 with a one-line reason on `err`
// when the file could not be written.
int renderGlyphMode(const std::string& path, std::ostream& err);
int renderMenuMode(const std::string& path, std::ostream& out, std::ostream& err);
int renderGuideMode(const std::string& path, std::ostream& out, std::ostream& err);
int renderHistoryMode(const std::string& path, std::ostream& out, std::ostream& err);
