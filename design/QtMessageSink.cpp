#include "design/QtMessageSink.h"

#include <QApplication>
#include <QMessageBox>
#include <string>

#include "framework/CodePage.h"
#include "framework/Exception.h"

namespace qgen {

namespace {

// Engine text for the screen. A byte the code page does not define is shown
// as the replacement character rather than losing the whole message.
QString Readable(const std::string& bytes) {
  try {
    const std::string utf8 = ToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  } catch (const EConvertError&) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  }
}

QMessageBox::Icon IconOf(const ShownMessage& message) {
  if (message.simple)
    return QMessageBox::NoIcon;
  if (message.style & MB_ICONERROR)
    return QMessageBox::Critical;
  if (message.style & MB_ICONINFORMATION)
    return QMessageBox::Information;
  return QMessageBox::NoIcon;
}

}  // namespace

QtMessageSink::QtMessageSink() : previous_(SetMessageSink(this)) {}
QtMessageSink::~QtMessageSink() {
  SetMessageSink(previous_);
}

void QtMessageSink::Show(const ShownMessage& message) {
  QMessageBox box(IconOf(message), Readable(message.caption), Readable(message.text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace qgen
