#include "tests/support/qt/QtUser.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <sstream>
#include <utility>

namespace qgen::test {

QPointer<QTimer> WhenModal(std::function<bool(QWidget&)> matches,
                           std::function<void(QWidget&)> answer) {
  // Polled rather than hooked: a modal window runs an event loop of its own,
  // in which the timer keeps firing.
  auto* timer = new QTimer(qApp);
  timer->setInterval(5);
  QObject::connect(
      timer, &QTimer::timeout, timer,
      [timer, matches = std::move(matches), answer = std::move(answer), tries = 0]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        const bool found = modal && modal->isVisible() && matches(*modal);
        if (!found && ++tries <= 2000)
          return;
        timer->stop();
        timer->deleteLater();
        if (!found) {
          ADD_FAILURE() << "the modal window awaited did not appear";
          return;
        }
        // Focus changes, which the dialogs act on, need it active.
        EXPECT_TRUE(QTest::qWaitForWindowActive(modal));
        answer(*modal);
      });
  timer->start();
  return timer;
}

QPointer<QTimer> WhenModal(const char* object_name, std::function<void(QWidget&)> answer) {
  return WhenModal([name = QString::fromLatin1(object_name)](
                       QWidget& window) { return window.objectName() == name; },
                   std::move(answer));
}

void Click(QWidget* widget) {
  QTest::mouseClick(widget, Qt::LeftButton);
}

void Type(QLineEdit* edit, const QString& text) {
  Click(edit);
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  if (text.isEmpty())
    QTest::keyClick(edit, Qt::Key_Delete);
  // QTest::keyClicks knows only ASCII keys: each character goes as the text
  // of a key event of its own.
  for (const QChar c : text)
    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, c, Qt::NoModifier);
}

void ExpectState(const std::string& state,
                 const std::function<std::string(const std::string&)>& field) {
  const std::size_t said = state.find("said=");
  std::istringstream items(state.substr(0, said));
  std::string expected, shown;
  for (std::string item; std::getline(items, item, ';');) {
    item.erase(0, item.find_first_not_of(' '));
    if (item.empty())
      continue;
    const std::string key = item.substr(0, item.find('='));
    expected += item + "; ";
    shown += key + "=" + field(key) + "; ";
  }
  expected += said == std::string::npos ? "said=" : state.substr(said);
  shown += "said=" + field("said");
  EXPECT_EQ(shown, expected);
}

QString ScreenshotDir() {
  const char* dir = std::getenv("QGEN_SCREENSHOT_DIR");
  return dir ? QString::fromUtf8(dir) : QString();
}

void SaveScreenshot(QWidget& widget, const char* file_name) {
  const QString path = ScreenshotDir() + "/" + file_name;
  if (!widget.grab().save(path))
    ADD_FAILURE() << "cannot write " << path.toStdString();
}

}  // namespace qgen::test
