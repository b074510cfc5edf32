// Pictures of the dialog in compose mode and in test mode, rendered offscreen.
// With QGEN_SCREENSHOT_DIR set they are also saved there as
// dialog-compose.png and dialog-test.png (the pictures in docs/).
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QTest>
#include <cstdlib>
#include <string>

#include "tests/design/DialogDriver.h"

namespace qgen::test {
namespace {

void Save(const QImage& image, const char* name) {
  const char* dir = std::getenv("QGEN_SCREENSHOT_DIR");
  if (!dir || !*dir)
    return;
  const QString path = QString::fromUtf8(dir) + "/" + name;
  EXPECT_TRUE(image.save(path)) << path.toStdString();
}

// True when some pixel of `area` differs from the form's ground colour.
bool HasDrawing(const QImage& image, const QRect& area) {
  const QRgb ground = image.pixel(area.topLeft());
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixel(x, y) != ground)
        return true;
  return false;
}

TEST_F(DialogTest, ComposeAndTestModeLookAsLaidOut) {
  Open("INV-[AB]##", "A07", "B99");
  ChooseKind(kNumber);
  Click(dialog->Edit1);
  const QImage compose = dialog->grab().toImage();
  // The client area: the outer heights less caption and border.
  EXPECT_EQ(compose.size(), QSize(425, TEMskDlg::kComposeHeight - TForm::kNonClientHeight));
  EXPECT_TRUE(HasDrawing(compose, QRect(2, 172, 420, 2)));  // Bevel4
  Save(compose, "dialog-compose.png");

  Type(dialog->svEdit, "A07");
  Click(dialog->Testbtn);
  const QImage test = dialog->grab().toImage();
  EXPECT_EQ(test.size(), QSize(425, TEMskDlg::kTestHeight - TForm::kNonClientHeight));
  EXPECT_EQ(TestValue(), "INV-A07");
  // The glyphs are drawn on the buttons.
  EXPECT_TRUE(HasDrawing(test, QRect(351, 251, 11, 9)));   // plus
  EXPECT_TRUE(HasDrawing(test, QRect(383, 254, 19, 19)));  // cross
  Save(test, "dialog-test.png");
}

}  // namespace
}  // namespace qgen::test
