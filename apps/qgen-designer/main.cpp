// qgen-designer: a form designer for qgen's form files. It loads packages of
// components (by default the libqgenpkg.so installed with it, or the one it
// was built with), shows their palette pages, and lets the user place
// components on a data module, edit their published properties and run their
// component editors' verbs.
//
//   qgen-designer [--package FILE]... [FORM]
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include "apps/qgen-designer/DataModuleView.h"
#include "apps/qgen-designer/MainWindow.h"
#include "design/QtMessageSink.h"
#include "framework/Messages.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("qgen designer"));
  qgen::SetApplicationTitle("qgen designer");
  qgen::QtMessageSink sink;

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Designs qgen form files with the components of loaded packages."));
  parser.addHelpOption();
  QCommandLineOption package(
      QStringList{QStringLiteral("p"), QStringLiteral("package")},
      QStringLiteral("Load the package FILE (may be repeated; default: "
                     "the qgen package installed or built with this program)."),
      QStringLiteral("FILE"));
  parser.addOption(package);
  parser.addPositionalArgument(QStringLiteral("FORM"), QStringLiteral("A form file to open."));
  parser.process(app);

  qgen::designer::MainWindow window;
  QStringList packages = parser.values(package);
  // The package installed beside the program (lib/qgen/), else the one of
  // the build tree it was built in.
  const QString installed = app.applicationDirPath() + QStringLiteral("/" QGEN_INSTALLED_PACKAGE);
  for (const QString& path : {installed, QStringLiteral(QGEN_DEFAULT_PACKAGE)}) {
    if (packages.isEmpty() && QFileInfo::exists(path))
      packages << path;
  }
  for (const QString& path : packages)
    qgen::designer::RunGuarded([&] { window.LoadPackage(path.toStdString()); });
  if (!parser.positionalArguments().isEmpty())
    window.OpenForm(parser.positionalArguments().front().toStdString());
  window.show();
  return app.exec();
}
