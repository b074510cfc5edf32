#include "tests/designer/PackageFixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "framework/Exception.h"

namespace qgen::test {

namespace {

std::unique_ptr<TPackage> package;

// The package is loaded once for the whole run, as a designer loads it: the
// test main runs every environment registered before it starts.
::testing::Environment* const package_environment =
    ::testing::AddGlobalTestEnvironment(new PackageEnvironment);

const TClassInfo& ClassNamed(const std::string& name) {
  const TClassInfo* info = Classes().Find(name);
  if (!info)
    throw Exception("class " + name + " is not registered");
  return *info;
}

const TPropertyInfo& PropertyOf(const TComponent& component, const std::string& property) {
  const TClassInfo* info = Classes().ClassOf(component);
  const TPropertyInfo* p = info ? info->FindProperty(property) : nullptr;
  if (!p)
    throw Exception("no property " + property);
  return *p;
}

// Replaces the text of the edit `name` of `dialog` by typing, as a user does.
void Type(QWidget* dialog, const char* name, const std::string& text) {
  auto* edit = dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
  ASSERT_NE(edit, nullptr) << name;
  edit->selectAll();
  if (text.empty()) {
    if (!edit->text().isEmpty())
      QTest::keyClick(edit, Qt::Key_Backspace);
  } else {
    QTest::keyClicks(edit, QString::fromStdString(text));
  }
}

void Click(QWidget* dialog, const char* name) {
  auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
  ASSERT_NE(button, nullptr) << name;
  QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace

void PackageEnvironment::SetUp() {
  package = std::make_unique<TPackage>(kPackagePath);
  package->Initialize();
  package->Register();
}

void PackageEnvironment::TearDown() {
  package.reset();
}

TPackage& PackageEnvironment::Package() {
  return *package;
}

CountingDesigner::CountingDesigner() : root_(ClassNamed("TDataModule").Create(nullptr)) {
  root_->SetName("Form");
  root_->SetDesigning(true);
}

CountingDesigner::~CountingDesigner() = default;

TComponent& CountingDesigner::Add(const std::string& class_name, const std::string& name) {
  TComponent* component = ClassNamed(class_name).Create(root_.get());
  component->SetName(name);
  return *component;
}

std::string Get(const TComponent& component, const std::string& property) {
  return PropertyOf(component, property).get_text(component);
}

void Set(TComponent& component, const std::string& property, const std::string& value) {
  PropertyOf(component, property).set_text(component, value);
}

void WhenModal(const char* object_name, std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, timer,
                   [timer, name = QString::fromLatin1(object_name), answer, tries = 0]() mutable {
                     QWidget* modal = QApplication::activeModalWidget();
                     if (modal && modal->objectName() == name && modal->isVisible()) {
                       timer->stop();
                       timer->deleteLater();
                       answer(modal);
                       return;
                     }
                     if (++tries > 2000) {
                       timer->stop();
                       timer->deleteLater();
                       ADD_FAILURE() << "no modal window " << name.toStdString() << " appeared";
                     }
                   });
  timer->start();
}

void AnswerMaskDialog(const std::string& mask, const std::string& start, const std::string& end,
                      bool ok) {
  WhenModal("EMskDlg", [=](QWidget* dialog) {
    Type(dialog, "Edit1", mask);
    Type(dialog, "svEdit", start);
    Type(dialog, "evEdit", end);
    Click(dialog, ok ? "Okbtn" : "Cancelbtn");
  });
}

void CancelMaskDialog(ShownTexts* shown) {
  WhenModal("EMskDlg", [=](QWidget* dialog) {
    if (shown) {
      auto text = [&](const char* name) {
        return dialog->findChild<QLineEdit*>(QString::fromLatin1(name))->text().toStdString();
      };
      *shown = {text("Edit1"), text("svEdit"), text("evEdit")};
    }
    Click(dialog, "Cancelbtn");
  });
}

bool MaskDialogAlive() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == QLatin1String("EMskDlg"))
      return true;
  }
  return false;
}

}  // namespace qgen::test
