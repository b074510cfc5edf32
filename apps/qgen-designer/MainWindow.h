// MainWindow: the designer program's window: the menus, the component palette
// on top, the property list on the left and the data module on the right, and
// a status bar whose changed-marker ("Modified") shows when the form has
// changed since it was opened or saved. It owns the loaded packages: each is
// initialised and registered when loaded and finalised when the window goes.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QPixmap>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "apps/qgen-designer/DataModuleView.h"
#include "apps/qgen-designer/FormDesigner.h"
#include "apps/qgen-designer/Palette.h"
#include "apps/qgen-designer/PropertyList.h"
#include "designer/Package.h"

namespace qgen::designer {

class MainWindow : public QMainWindow {
 public:
  // Registers the data-access classes on the page "Data Access" (once per
  // process) and shows a new, empty form.
  MainWindow();
  // Finalises the loaded packages, last loaded first.
  ~MainWindow() override;

  // Loads the package at `path`: Initialize, then its registration routines;
  // the palette then shows its pages, open on the first it named.
  // Raises Exception saying what failed; a package whose registration failed
  // is finalised again.
  TPackage& LoadPackage(const std::string& path);
  const std::vector<std::unique_ptr<TPackage>>& Packages() const { return packages_; }

  FormDesigner& Form() { return form_; }
  Palette& ComponentPalette() { return *palette_; }
  DataModuleView& Module() { return *module_; }
  PropertyList& Properties() { return *properties_; }
  // The changed-marker of the status bar: visible while the form is changed.
  QLabel& ChangedMarker() { return *changed_; }

  // The palette image of class `name` from the packages (a null pixmap when none has one).
  QPixmap ImageOf(const std::string& name);

  // The menu commands. Open and Save As ask for a file; Save asks only when
  // the form has none. Errors are shown. Return false when nothing was done.
  bool OpenForm(const std::string& path);
  bool SaveForm(const std::string& path);
  void NewForm();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void FormChanged();
  // Asks whether to save a changed form; false when the user cancels.
  bool ConfirmDrop();
  void SaveAs();

  FormDesigner form_;
  Palette* palette_;
  DataModuleView* module_;
  PropertyList* properties_;
  QLabel* changed_;
  std::vector<std::unique_ptr<TPackage>> packages_;
  std::map<std::string, QPixmap> images_;
};

}  // namespace qgen::designer
