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

// Each writes its image to `path` and returns the process status, 0 even
// when the file cannot be written. The menu, guide and history modes print
// "wrote PATH WxH" with the size in device-independent pixels.
int renderGlyphMode(const std::string& path);
int renderMenuMode(const std::string& path, std::ostream& out);
int renderGuideMode(const std::string& path, std::ostream& out);
int renderHistoryMode(const std::string& path, std::ostream& out);
