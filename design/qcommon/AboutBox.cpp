#include "design/qcommon/AboutBox.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace qgen {

void ShowAboutBoxQ(const std::string& class_name, const std::string& version_text) {
  const QString name = QString::fromStdString(class_name);
  QDialog box(QApplication::activeWindow());
  box.setObjectName(QStringLiteral("AboutBox"));
  box.setWindowTitle(QStringLiteral("About ") + name);

  auto* title = new QLabel(name, &box);
  title->setObjectName(QStringLiteral("ClassName"));
  QFont bold = title->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.4);
  title->setFont(bold);
  auto* version = new QLabel(QString::fromStdString(version_text), &box);
  version->setObjectName(QStringLiteral("VersionText"));
  auto* purpose =
      new QLabel(QStringLiteral("Masked sequence numbers shared through a database table,\n"
                                "and unique time-based record keys."),
                 &box);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);

  auto* layout = new QVBoxLayout(&box);
  layout->addWidget(title);
  layout->addWidget(version);
  layout->addSpacing(8);
  layout->addWidget(purpose);
  layout->addWidget(buttons);
  box.exec();
}

}  // namespace qgen
