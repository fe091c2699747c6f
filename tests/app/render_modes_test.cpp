#include "app/render_modes.hpp"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct AppRun {
  int status = -1;
  QString out;
};

AppRun runApp(const QStringList& args, const QString& dir) {
  QProcess p;
  p.setWorkingDirectory(dir);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("QUOTALUME_DATA_DIR", dir);
  p.setProcessEnvironment(env);
  p.start(QUOTALUME_EXECUTABLE, args);
  if (!p.waitForFinished(60000)) return {};
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
}

TEST(RenderModes, EachModeWritesItsPicture) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  struct Case {
    const char* name;
    QStringList args;
    QString file;
    QString wrote;  // the path as the "wrote" line prints it; empty when nothing is printed
    double scale;   // image pixels per printed unit
  } cases[] = {
      {"glyph", {"--render-glyph", "glyph.png"}, "glyph.png", "", 1},
      {"menu, English",
       {"--lang", "en", "--render-menu", "menu-en.png"},
       "menu-en.png",
       QDir(dir.path()).absoluteFilePath("menu-en.png"),
       2},
      {"menu, Korean",
       {"--render-menu", "menu-ko.png", "--lang", "ko"},
       "menu-ko.png",
       QDir(dir.path()).absoluteFilePath("menu-ko.png"),
       2},
      {"guide, path as typed",
       {"--lang", "ko", "--render-guide", "./sub/../guide.png", "--render-menu", "x.png"},
       "guide.png",
       "./sub/../guide.png",
       2},
  };
  QDir(dir.path()).mkdir("sub");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const AppRun run = runApp(c.args, dir.path());
    EXPECT_EQ(run.status, 0);
    const QImage image(QDir(dir.path()).filePath(c.file));
    ASSERT_FALSE(image.isNull());
    if (c.wrote.isEmpty()) {
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(image.size(), QSize(270, 54));
      continue;
    }
    const QString prefix = "wrote " + c.wrote + " ";
    ASSERT_TRUE(run.out.startsWith(prefix)) << run.out.toStdString();
    ASSERT_TRUE(run.out.endsWith("\n"));
    const QStringList size = run.out.mid(prefix.size()).trimmed().split('x');
    ASSERT_EQ(size.size(), 2);
    EXPECT_EQ(image.size(), QSize(size[0].toInt() * c.scale, size[1].toInt() * c.scale));
  }
  EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath("x.png")));
}

TEST(RenderModes, UnwritablePathStillEndsNormally) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const AppRun glyph = runApp({"--render-glyph", "missing/folder/g.png"}, dir.path());
  EXPECT_EQ(glyph.status, 0);
  EXPECT_EQ(glyph.out, "");
  const AppRun guide = runApp({"--lang", "en", "--render-guide", "missing/g.png"}, dir.path());
  EXPECT_EQ(guide.status, 0);
  EXPECT_TRUE(guide.out.startsWith("wrote missing/g.png 470x")) << guide.out.toStdString();
}

TEST(RenderModes, SelftestFromTheExecutable) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const AppRun run = runApp({"--render-menu", "m.png", "--selftest"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.out.startsWith("selftest: ")) << run.out.toStdString();
  EXPECT_TRUE(run.out.endsWith(" passed, 0 failed\n"));
  EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath("m.png")));
  // Logging is off, so nothing lands in the data folder.
  EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath("Quotalume.log")));
}

TEST(RenderModes, RenderOptionWithoutPathIsTheNormalRun) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const AppRun run = runApp({"--lang", "ko", "--render-menu"}, dir.path());
  // The menu-bar run is not there yet and says so rather than drawing anything.
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(RenderModes, GlyphStripSamples) {
  const QImage strip = glyphStrip();
  ASSERT_EQ(strip.size(), QSize(270, 54));
  // White where no glyph reaches, in every cell.
  for (int cell = 0; cell < 5; ++cell) EXPECT_EQ(strip.pixelColor(cell * 54 + 1, 1), QColor(Qt::white));
  // The filled arc is drawn in the tone's colour: blue, orange, red from left.
  auto dominant = [&](int cell) {
    int blue = 0, orange = 0, red = 0;
    for (int y = 0; y < 54; ++y) {
      for (int x = cell * 54; x < cell * 54 + 54; ++x) {
        const QColor c = strip.pixelColor(x, y);
        if (c.blue() > 180 && c.red() < 120) ++blue;
        if (c.red() > 200 && c.green() > 120 && c.green() < 180 && c.blue() < 80) ++orange;
        if (c.red() > 200 && c.green() < 90 && c.blue() < 90) ++red;
      }
    }
    return std::array<int, 3>{blue, orange, red};
  };
  EXPECT_EQ(dominant(0), (std::array<int, 3>{0, 0, 0}));  // value 0: track only
  EXPECT_GT(dominant(1)[0], 20);
  EXPECT_GT(dominant(2)[1], 20);
  EXPECT_GT(dominant(3)[2], 20);
}

}  // namespace
