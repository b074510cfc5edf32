// qgen-designer on Qt's offscreen platform, driven as a user drives it: the
// palette, the data module, the property list with its ellipsis button, the
// context menu, a double click, the changed-marker, saving and opening form
// files; and a saved form used at run time by the qgen tool.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "apps/qgen-designer/MainWindow.h"
#include "dataaccess/Table.h"
#include "framework/Messages.h"
#include "tests/designer/PackageFixture.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

using designer::MainWindow;
using designer::Palette;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

class DesignerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<MainWindow>();
    window->LoadPackage(kPackagePath);
    window->resize(900, 480);
    window->show();
    Settle();
  }
  void TearDown() override { window.reset(); }

  // Lets queued work (the property list's refresh) run.
  void Settle() {
    QApplication::processEvents();
    window->Properties().Refresh();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Chooses the palette tool of `class_name` and clicks the data module at `at`.
  TComponent& Place(const std::string& class_name, QPoint at) {
    QToolButton* tool = window->ComponentPalette().Tool(class_name);
    EXPECT_NE(tool, nullptr) << class_name;
    window->ComponentPalette().setCurrentWidget(tool->parentWidget());
    QTest::mouseClick(tool, Qt::LeftButton);
    QTest::mouseClick(&window->Module(), Qt::LeftButton, {}, at);
    Settle();
    EXPECT_EQ(window->Form().Selection().size(), 1u);
    return *window->Form().Selection().front();
  }
  QPoint CentreOf(const TComponent& component) {
    return window->Module().BoundsOf(component).center();
  }
  void ClickOn(const TComponent& component, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(&window->Module(), Qt::LeftButton, modifiers, CentreOf(component));
    Settle();
  }
  // Types `text` into the property's edit and presses Enter.
  void Type(const std::string& property, const std::string& text) {
    QWidget* value = window->Properties().ValueWidget(property);
    ASSERT_NE(value, nullptr) << property;
    auto* edit = qobject_cast<QLineEdit*>(value);
    if (!edit)
      edit = value->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr) << property;
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, QString::fromStdString(text));
    QTest::keyClick(edit, Qt::Key_Return);
    Settle();
  }
  // Picks `value` from the property's drop-down list, which must offer it.
  void Pick(const std::string& property, const std::string& value) {
    auto* combo = qobject_cast<QComboBox*>(window->Properties().ValueWidget(property));
    ASSERT_NE(combo, nullptr) << property;
    const int index = combo->findText(QString::fromStdString(value));
    ASSERT_GE(index, 0) << value << " is not offered for " << property;
    combo->setCurrentIndex(index);
    emit combo->textActivated(combo->itemText(index));
    Settle();
  }
  bool Marked() { return window->ChangedMarker().isVisibleTo(window.get()); }
  int GendsgnInitCount() {
    const TPackageInfoTable& table = PackageEnvironment::Package().InfoTable();
    return *table.UnitInfo[table.UnitCount - 1].InitCount;
  }

  MessageRecorder messages;
  TempDir dir;
  std::unique_ptr<MainWindow> window;
};

TEST_F(DesignerTest, PaletteShowsTheQuonelPageWithItsImages) {
  Palette& palette = window->ComponentPalette();
  std::vector<std::string> pages;
  for (int i = 0; i < palette.count(); ++i)
    pages.push_back(palette.tabText(i).toStdString());
  EXPECT_THAT(pages, ::testing::UnorderedElementsAre("Data Access", "Quonel"));
  QToolButton* generator = palette.Tool("TGenerator");
  QToolButton* stamper = palette.Tool("TUniKEY");
  ASSERT_NE(generator, nullptr);
  ASSERT_NE(stamper, nullptr);
  // In registration order, each with the package's own picture.
  const QList<QToolButton*> tools = generator->parentWidget()->findChildren<QToolButton*>();
  EXPECT_EQ(tools.indexOf(generator), 0);
  EXPECT_EQ(tools.indexOf(stamper), 1);
  EXPECT_EQ(window->ImageOf("TGenerator").size(), QSize(24, 24));
  EXPECT_EQ(window->ImageOf("TUniKEY").size(), QSize(24, 24));
  EXPECT_TRUE(window->ImageOf("TTable").isNull());  // the framework's own: drawn by the designer

  // A window opens on the page of the package it loads.
  window = std::make_unique<MainWindow>();
  window->ComponentPalette().ShowPage("Data Access");
  window->LoadPackage(kPackagePath);
  Palette& reopened = window->ComponentPalette();
  EXPECT_EQ(reopened.tabText(reopened.currentIndex()), "Quonel");
}

TEST_F(DesignerTest, PackageIsInitialisedOnLoadAndFinalisedOnClose) {
  const int loaded = GendsgnInitCount();
  window.reset();
  EXPECT_EQ(GendsgnInitCount(), loaded - 1);
  window = std::make_unique<MainWindow>();
  EXPECT_EQ(GendsgnInitCount(), loaded - 1);
  window->LoadPackage(kPackagePath);
  EXPECT_EQ(GendsgnInitCount(), loaded);
  EXPECT_THROW(window->LoadPackage(kPackagePath), Exception);
  EXPECT_EQ(GendsgnInitCount(), loaded);
  EXPECT_THROW(window->LoadPackage(dir.File("missing.so")), Exception);
}

TEST_F(DesignerTest, DesignedFormIssuesNumbersAtRunTime) {
  TComponent& db = Place("TDatabase", {60, 60});
  TComponent& table = Place("TTable", {160, 60});
  TComponent& source = Place("TDataSource", {260, 60});
  TComponent& gen = Place("TGenerator", {360, 60});
  EXPECT_EQ(gen.Name(), "Generator1");
  for (TComponent* c : {&db, &table, &source, &gen})
    EXPECT_TRUE(c->InState(csDesigning)) << c->Name();
  EXPECT_TRUE(Marked());

  ClickOn(table);
  Pick("Database", "Database1");
  Type("TableName", "GENTBL");
  ClickOn(source);
  Pick("DataSet", "Table1");
  ClickOn(gen);
  Pick("DataSource", "DataSource1");
  ASSERT_NE(window->Properties().Ellipsis("Mask"), nullptr);
  AnswerMaskDialog("INV-###", "001", "999");
  QTest::mouseClick(window->Properties().Ellipsis("Mask"), Qt::LeftButton);
  Settle();
  EXPECT_EQ(Get(gen, "Mask"), "INV-###");
  EXPECT_EQ(window->Properties().ShownValue("Mask"), "INV-###");
  EXPECT_EQ(window->Properties().ShownValue("StartValue"), "001");
  // Designing opened nothing.
  EXPECT_FALSE(static_cast<TTable&>(table).Active());
  EXPECT_THAT(messages.Texts(), IsEmpty());

  const std::string form = dir.File("invoice.json");
  ASSERT_TRUE(window->SaveForm(form));
  EXPECT_FALSE(Marked());
  EXPECT_THAT(window->windowTitle().toStdString(), Not(HasSubstr("*")));

#ifdef QGEN_TEST_TOOL
  for (const char* expected : {"INV-001", "INV-002"}) {
    QProcess qgen;
    qgen.setWorkingDirectory(QString::fromStdString(dir.path()));
    qgen.start(QStringLiteral(QGEN_TEST_TOOL),
               {"next", "--form", QString::fromStdString(form), "--component", "Generator1"});
    ASSERT_TRUE(qgen.waitForFinished(30000));
    EXPECT_EQ(qgen.exitCode(), 0) << qgen.readAllStandardError().toStdString();
    EXPECT_EQ(qgen.readAllStandardOutput().trimmed().toStdString(), expected);
  }
  // The default SQLite database in the working directory holds the sequence.
  EXPECT_TRUE(std::ifstream(dir.File("qgen.db")).good());
#else
  GTEST_SKIP() << "the qgen tool is not built";
#endif
}

TEST_F(DesignerTest, ContextMenuRunsTheVerbsAndMarksTheForm) {
  TComponent& gen = Place("TGenerator", {80, 80});
  Set(gen, "Mask", "##");
  ASSERT_TRUE(window->SaveForm(dir.File("form.json")));
  ASSERT_FALSE(Marked());

  std::unique_ptr<QMenu> menu = window->Module().ContextMenu(gen);
  std::vector<std::string> texts;
  QAction* setup = nullptr;
  for (QAction* action : menu->actions()) {
    if (action->isSeparator())
      continue;
    texts.push_back(action->text().toStdString());
    if (action->text() == QLatin1String("Setup  &DB"))
      setup = action;
  }
  EXPECT_THAT(texts, ElementsAre("Edit &Mask", "Setup  &DB", "&About", "Delete"));
  ASSERT_NE(setup, nullptr);
  setup->trigger();
  Settle();
  EXPECT_TRUE(Marked());
  EXPECT_THAT(window->windowTitle().toStdString(), HasSubstr("*"));

  // A double click opens the mask edit dialog (verb 0); cancelled, the
  // generator is unchanged but the form is marked.
  ASSERT_TRUE(window->SaveForm(dir.File("form.json")));
  ShownTexts shown;
  CancelMaskDialog(&shown);
  QTest::mouseDClick(&window->Module(), Qt::LeftButton, {}, CentreOf(gen));
  Settle();
  EXPECT_EQ(shown.mask, "##");
  EXPECT_EQ(Get(gen, "Mask"), "##");
  EXPECT_TRUE(Marked());

  // Delete from the menu frees the component.
  menu = window->Module().ContextMenu(gen);
  menu->actions().back()->trigger();
  EXPECT_THAT(window->Form().Components(), IsEmpty());
}

TEST_F(DesignerTest, EllipsisEditIsNoticedByTheDesigner) {
  // The Mask editor does not call Modified; the designer sees the change
  // itself, so that closing does not lose it.
  TComponent& gen = Place("TGenerator", {80, 80});
  ASSERT_TRUE(window->SaveForm(dir.File("form.json")));
  AnswerMaskDialog("A-#", "1", "8");
  QTest::mouseClick(window->Properties().Ellipsis("Mask"), Qt::LeftButton);
  Settle();
  EXPECT_EQ(Get(gen, "Mask"), "A-#");
  EXPECT_TRUE(Marked());
  // Cancelled, nothing changed and nothing is marked.
  ASSERT_TRUE(window->SaveForm(dir.File("form.json")));
  CancelMaskDialog();
  QTest::mouseClick(window->Properties().Ellipsis("Mask"), Qt::LeftButton);
  Settle();
  EXPECT_FALSE(Marked());
}

TEST_F(DesignerTest, TwoSelectedGeneratorsShareTheirPropertiesButNotMask) {
  TComponent& first = Place("TGenerator", {80, 80});
  TComponent& second = Place("TGenerator", {200, 80});
  EXPECT_EQ(second.Name(), "Generator2");
  ClickOn(first);
  EXPECT_THAT(window->Properties().Names(), Contains("Mask"));
  ClickOn(second, Qt::ControlModifier);
  ASSERT_EQ(window->Form().Selection().size(), 2u);
  EXPECT_THAT(window->Properties().Names(), Not(Contains("Mask")));
  EXPECT_THAT(window->Properties().Names(), Contains("GeneratorType"));
  Type("GeneratorType", "7");
  EXPECT_EQ(window->Properties().ShownValue("GeneratorType"), "7");
  // A value that is not a number is reported and written nowhere.
  Type("GeneratorType", "seven");
  EXPECT_THAT(messages.Texts(), ElementsAre(HasSubstr("'seven' is not a valid integer value")));
  EXPECT_EQ(window->Properties().ShownValue("GeneratorType"), "7");
  // A click on the empty module selects nothing: no properties.
  QTest::mouseClick(&window->Module(), Qt::LeftButton, {}, QPoint(20, 400));
  Settle();
  EXPECT_THAT(window->Properties().Names(), IsEmpty());
}

TEST_F(DesignerTest, TheNameRowRenamesAndRefusesNamesThatAreTakenOrNoIdentifiers) {
  TComponent& gen = Place("TGenerator", {80, 80});
  Place("TGenerator", {200, 80});
  const struct {
    const char* typed;
    const char* name;  // afterwards
    const char* says;  // "" when nothing is reported
  } rows[] = {
      {"Invoices", "Invoices", ""},
      {"invoices", "invoices", ""},  // its own name in other letters
      {"generator2", "invoices", "already has a component named \"generator2\""},
      {"DataModule1", "invoices", "already has a component named \"DataModule1\""},
      {"2nd", "invoices", "\"2nd\" is not a valid component name"},
      {"In voices", "invoices", "is not a valid component name"},
      {"", "invoices", "\"\" is not a valid component name"},
      {"_Numbers2", "_Numbers2", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    ClickOn(gen);
    ASSERT_TRUE(window->SaveForm(dir.File("form.json")));
    messages.Clear();
    Type("Name", row.typed);
    EXPECT_EQ(gen.Name(), row.name);
    EXPECT_EQ(window->Properties().ShownValue("Name"), row.name);
    EXPECT_EQ(Marked(), *row.says == 0);
    if (*row.says)
      EXPECT_THAT(messages.Texts(), ElementsAre(HasSubstr(row.says)));
    else
      EXPECT_THAT(messages.Texts(), IsEmpty());
  }
}

TEST_F(DesignerTest, SavedFormOpensAgainInDesignMode) {
  TComponent& gen = Place("TGenerator", {80, 80});
  Set(gen, "Mask", "N-##");
  Set(gen, "StartValue", "05");
  Place("TUniKEY", {200, 80});
  const std::string form = dir.File("saved.json");
  ASSERT_TRUE(window->SaveForm(form));
  window->NewForm();
  EXPECT_THAT(window->Form().Components(), IsEmpty());
  ASSERT_TRUE(window->OpenForm(form));
  ASSERT_EQ(window->Form().Components().size(), 2u);
  TComponent& opened = *window->Form().Components().front();
  EXPECT_EQ(opened.Name(), "Generator1");
  EXPECT_TRUE(opened.InState(csDesigning));
  EXPECT_EQ(Get(opened, "Mask"), "N-##");
  EXPECT_EQ(Get(opened, "StartValue"), "05");
  EXPECT_FALSE(Marked());

  // A file that is not a form is reported; the open form stays.
  std::ofstream(dir.File("broken.json")) << "{ not json";
  EXPECT_FALSE(window->OpenForm(dir.File("broken.json")));
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_THAT(messages.Texts()[0], HasSubstr("broken.json"));
  EXPECT_EQ(window->Form().Components().size(), 2u);
}

TEST_F(DesignerTest, OpensTheToolsExampleFormAndWritesItBackUnchanged) {
  const std::string example = std::string(QGEN_SOURCE_DIR) + "/examples/invoice.form.json";
  std::ifstream in(example);
  std::stringstream original;
  original << in.rdbuf();
  ASSERT_TRUE(window->OpenForm(example)) << ::testing::PrintToString(messages.Texts());
  EXPECT_EQ(window->Form().Components().size(), 5u);
  ClickOn(*window->Form().Root()->FindComponent("BranchReceipts"));
  EXPECT_EQ(window->Properties().ShownValue("GetUserPrefixes"), "UserOption");
  const std::string copy = dir.File("copy.json");
  ASSERT_TRUE(window->SaveForm(copy));
  std::ifstream saved(copy);
  std::stringstream written;
  written << saved.rdbuf();
  EXPECT_EQ(written.str(), original.str());
}

TEST_F(DesignerTest, Screenshot) {
  Place("TDatabase", {70, 50});
  Place("TTable", {170, 50});
  Place("TDataSource", {270, 50});
  TComponent& gen = Place("TGenerator", {70, 140});
  Set(gen, "Mask", "INV-####");
  Set(gen, "StartValue", "0001");
  Place("TUniKEY", {170, 140});
  ClickOn(gen);
  Palette& palette = window->ComponentPalette();
  palette.setCurrentWidget(palette.Tool("TGenerator")->parentWidget());
  Settle();
  const QImage picture = window->grab().toImage();
  EXPECT_EQ(picture.size(), window->size());
  // The generator's palette image is drawn on the module at its place.
  const QRect bounds = window->Module().BoundsOf(gen);
  const QImage module = window->Module().grab().toImage();
  const QImage image = window->ImageOf("TGenerator").toImage();
  const int x = bounds.x() + (bounds.width() - 24) / 2;
  EXPECT_EQ(module.pixel(x + 12, bounds.y() + 2 + 17), image.pixel(12, 17));
  if (const char* out = std::getenv("QGEN_SCREENSHOT_DIR"); out && *out) {
    EXPECT_TRUE(picture.save(QString::fromUtf8(out) + "/designer.png"));
  }
}

}  // namespace
}  // namespace qgen::test
