// What the Qt tests do as a user would: answer the modal windows that the
// code under test opens (dialogs, message boxes, file dialogs), click and
// type, check what a window shows, and save pictures of windows. Shared by
// the dialog and designer tests.
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

namespace qgen::test {

// Arms a timer that waits for a visible modal window that `matches` and runs
// `answer` on it once; call it before the action that opens the window.
// `answer` must close the window. A window that never comes fails the test,
// unless the returned timer (gone once it has answered) is deleted first.
QPointer<QTimer> WhenModal(std::function<bool(QWidget&)> matches,
                           std::function<void(QWidget&)> answer);

// The same for the modal window named `object_name` ("EMskDlg", "AboutBox").
QPointer<QTimer> WhenModal(const char* object_name, std::function<void(QWidget&)> answer);

// The same for the modal window of class W (QMessageBox, QFileDialog).
template <class W>
QPointer<QTimer> WhenModal(std::function<void(W&)> answer) {
  return WhenModal([](QWidget& window) { return qobject_cast<W*>(&window) != nullptr; },
                   [answer](QWidget& window) { answer(*qobject_cast<W*>(&window)); });
}

// A left click in the middle of `widget`.
void Click(QWidget* widget);
// Clicks into `edit`, selects its text and types `text` over it, one key event
// per character (clearing it when `text` is empty).
void Type(QLineEdit* edit, const QString& text);

// Checks what a window shows, written "key=value; key=value" with the keys a
// test chooses: `field` reads the value of a key as the window shows it. An
// item said=... comes last and takes the rest of the text (messages may hold
// a ';'); without one, `field("said")` must be empty.
void ExpectState(const std::string& state,
                 const std::function<std::string(const std::string&)>& field);

// The folder QGEN_SCREENSHOT_DIR names, or "" when it names none: tests that
// only make pictures skip without it.
QString ScreenshotDir();
// Saves a picture of `widget` as `file_name` in ScreenshotDir().
void SaveScreenshot(QWidget& widget, const char* file_name);

}  // namespace qgen::test
