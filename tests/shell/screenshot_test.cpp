// The program's window on a real X server (Xvfb): skipped without one.
#include <gtest/gtest.h>

#include <QtGui/QColor>
#include <QtGui/QImage>
#include <cstdlib>
#include <cmath>
#include <filesystem>
#include <string>

#include "temp_folder.h"

namespace {

TEST(Screenshot, TheMainWindowWithADocumentShowsADrawnView) {
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
  std::filesystem::path scene = std::filesystem::current_path() / "../samples/scene.x";
  if (!std::filesystem::exists(scene)) GTEST_SKIP() << "no sample scene at " << scene;
  TempFolder folder;
  std::string shot = folder.Path("window.png");
  std::string command = "DBUS_SESSION_BUS_ADDRESS=disabled: QT_QPA_PLATFORM=xcb timeout 120 xvfb-run -a -s \"-screen 0 1280x900x24\" ./vorever \"" +
                        scene.string() + "\" --screenshot \"" + shot + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  QImage image(QString::fromStdString(shot));
  ASSERT_FALSE(image.isNull());
  // The view is cleared to the settings' background and shows its frame rate
  // in the overlay colour (white).
  int background = 0, overlay = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      QColor pixel = image.pixelColor(x, y);
      if (std::abs(pixel.red() - 204) <= 2 && std::abs(pixel.green() - 102) <= 2 && pixel.blue() <= 2) ++background;
      if (pixel.red() > 240 && pixel.green() > 240 && pixel.blue() > 240) ++overlay;
    }
  }
  EXPECT_GT(background, 10000);
  EXPECT_GT(overlay, 20);
}

}  // namespace
