#include "apps/qgen-designer/MainWindow.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include "dataaccess/DataSource.h"
#include "dataaccess/Database.h"
#include "dataaccess/Registration.h"
#include "dataaccess/Table.h"
#include "designer/Registration.h"
#include "framework/DataModule.h"
#include "framework/Text.h"

namespace qgen::designer {

namespace {

// The framework's own components, offered like a package's.
void RegisterDataAccessPage() {
  static bool registered = false;
  if (registered)
    return;
  RegisterFrameworkClasses(Classes());
  RegisterDataAccessClasses(Classes());
  RegisterComponents("Data Access",
                     {ClassOf<TDatabase>(), ClassOf<TTable>(), ClassOf<TDataSource>()});
  registered = true;
}

const QString kFormFilter = QStringLiteral("Form files (*.json);;All files (*)");

}  // namespace

MainWindow::MainWindow() {
  setObjectName(QStringLiteral("Designer"));
  RegisterDataAccessPage();

  auto image_of = [this](const std::string& name) { return ImageOf(name); };
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  palette_ = new Palette(image_of, central);
  palette_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  column->addWidget(palette_);
  auto* split = new QSplitter(central);
  properties_ = new PropertyList(form_, split);
  module_ = new DataModuleView(form_, *palette_, image_of, split);
  split->addWidget(properties_);
  split->addWidget(module_);
  split->setStretchFactor(1, 1);
  column->addWidget(split, 1);
  setCentralWidget(central);

  changed_ = new QLabel(QStringLiteral("Modified"), this);
  changed_->setObjectName(QStringLiteral("ChangedMarker"));
  statusBar()->addPermanentWidget(changed_);

  palette_->on_place_now = [this](const TComponentClass& cls) {
    RunGuarded([&] { form_.Place(cls); });
  };
  form_.on_changed = [this] { FormChanged(); };
  form_.on_replaced = [this] { properties_->RefreshLater(); };

  BuildMenus();
  palette_->Rebuild();
  FormChanged();
  resize(820, 520);
}

MainWindow::~MainWindow() {
  form_.on_changed = nullptr;
  form_.on_replaced = nullptr;
  // The views and their editors go first, then the form's components, which
  // were made by the packages' code; then the packages are finalised.
  delete takeCentralWidget();
  form_.New();
  while (!packages_.empty()) {
    packages_.back()->Finalize();
    packages_.pop_back();
  }
}

TPackage& MainWindow::LoadPackage(const std::string& path) {
  auto package = std::make_unique<TPackage>(path);
  for (const auto& loaded : packages_) {
    if (loaded->InfoTable().UnitInfo == package->InfoTable().UnitInfo)
      throw Exception("The package \"" + path + "\" is loaded already");
  }
  const std::size_t named = DesignRegistry().NamedPages().size();
  package->Initialize();
  try {
    package->Register();
  } catch (...) {
    package->Finalize();
    palette_->Rebuild();
    throw;
  }
  packages_.push_back(std::move(package));
  images_.clear();
  palette_->Rebuild();
  // Open on the package's own page: the first that its registration named.
  if (DesignRegistry().NamedPages().size() > named)
    palette_->ShowPage(DesignRegistry().NamedPages()[named]);
  module_->update();
  statusBar()->showMessage(
      QStringLiteral("Loaded ") + QFileInfo(QString::fromStdString(path)).fileName(), 5000);
  return *packages_.back();
}

QPixmap MainWindow::ImageOf(const std::string& name) {
  auto it = images_.find(name);
  if (it != images_.end())
    return it->second;
  QPixmap image;
  for (const auto& package : packages_) {
    if (auto bytes = package->Resource(UpperCaseAscii(name))) {
      image.loadFromData(reinterpret_cast<const uchar*>(bytes->data()),
                         static_cast<int>(bytes->size()), "BMP");
      break;
    }
  }
  images_[name] = image;
  return image;
}

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(QStringLiteral("&New"), QKeySequence::New, this, [this] {
    if (ConfirmDrop())
      NewForm();
  });
  file->addAction(QStringLiteral("&Open..."), QKeySequence::Open, this, [this] {
    if (!ConfirmDrop())
      return;
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open form"), {}, kFormFilter);
    if (!path.isEmpty())
      OpenForm(path.toStdString());
  });
  file->addAction(QStringLiteral("&Save"), QKeySequence::Save, this, [this] {
    if (form_.FileName().empty())
      SaveAs();
    else
      SaveForm(form_.FileName());
  });
  file->addAction(QStringLiteral("Save &As..."), QKeySequence::SaveAs, this, [this] { SaveAs(); });
  file->addSeparator();
  file->addAction(QStringLiteral("Load &Package..."), this, [this] {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Load package"), {}, QStringLiteral("Packages (*.so);;All files (*)"));
    if (!path.isEmpty())
      RunGuarded([&] { LoadPackage(path.toStdString()); });
  });
  file->addAction(QStringLiteral("&Installed Packages..."), this, [this] {
    QString list;
    for (const auto& package : packages_) {
      list += QString::fromStdString(package->Path()) + QStringLiteral("\n    ") +
              QString::fromStdString(package->Description()) + QStringLiteral("\n\n");
    }
    QMessageBox::information(this, QStringLiteral("Installed packages"),
                             list.isEmpty() ? QStringLiteral("No package is loaded.") : list);
  });
  file->addSeparator();
  file->addAction(QStringLiteral("E&xit"), QKeySequence::Quit, this, [this] { close(); });

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  edit->addAction(QStringLiteral("&Delete"), QKeySequence::Delete, this,
                  [this] { form_.DeleteSelection(); });
}

void MainWindow::NewForm() {
  form_.New();
}

bool MainWindow::OpenForm(const std::string& path) {
  bool done = false;
  RunGuarded([&] {
    form_.Open(path);
    done = true;
  });
  return done;
}

bool MainWindow::SaveForm(const std::string& path) {
  bool done = false;
  RunGuarded([&] {
    form_.Save(path);
    done = true;
  });
  return done;
}

void MainWindow::SaveAs() {
  const QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("Save form"), QString::fromStdString(form_.FileName()), kFormFilter);
  if (!path.isEmpty())
    SaveForm(path.toStdString());
}

void MainWindow::FormChanged() {
  QString title = QString::fromStdString(form_.Root()->Name());
  if (!form_.FileName().empty())
    title += QStringLiteral(" - ") + QString::fromStdString(form_.FileName());
  if (form_.IsModified())
    title += QStringLiteral(" *");
  setWindowTitle(title + QStringLiteral(" - qgen designer"));
  changed_->setVisible(form_.IsModified());
  module_->update();
  properties_->RefreshLater();
}

bool MainWindow::ConfirmDrop() {
  if (!form_.IsModified())
    return true;
  const auto answer = QMessageBox::question(
      this, QStringLiteral("qgen designer"), QStringLiteral("The form has changed. Save it first?"),
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  if (answer == QMessageBox::Cancel)
    return false;
  if (answer == QMessageBox::Discard)
    return true;
  if (form_.FileName().empty())
    SaveAs();
  else
    SaveForm(form_.FileName());
  return !form_.IsModified();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (ConfirmDrop())
    event->accept();
  else
    event->ignore();
}

}  // namespace qgen::designer
