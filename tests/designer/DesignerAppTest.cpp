// qgen-designer on Qt's offscreen platform, driven as a user drives it: the
// palette, the data module, the property list, the context menu, the File menu.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>

#include "apps/qgen-designer/MainWindow.h"
#include "framework/Messages.h"
#include "tests/designer/PackageFixture.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

using designer::MainWindow;
using ::testing::ElementsAre;

class DesignerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<MainWindow>();
    window->LoadPackage(kPackagePath);
    window->resize(900, 480);
    window->show();
    Settle();
  }

  // Lets queued work (the property list's refresh) run.
  void Settle() {
    QApplication::processEvents();
    window->Properties().Refresh();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  // Chooses the palette tool of `class_name` and clicks the data module at `at`.
  TComponent& Place(const std::string& class_name, QPoint at) {
    QToolButton* tool = window->ComponentPalette().Tool(class_name);
    window->ComponentPalette().setCurrentWidget(tool->parentWidget());
    Click(tool);
    QTest::mouseClick(&window->Module(), Qt::LeftButton, {}, at);
    Settle();
    return *window->Form().Selection().at(0);
  }
  void ClickOn(const TComponent& component, Qt::KeyboardModifiers modifiers = {}) {
    const QPoint centre = window->Module().BoundsOf(component).center();
    QTest::mouseClick(&window->Module(), Qt::LeftButton, modifiers, centre);
    Settle();
  }
  // Types `text` into the property's edit and presses Enter.
  void Type(const std::string& property, const std::string& text) {
    QWidget* value = window->Properties().ValueWidget(property);
    auto* edit = value->findChild<QLineEdit*>();
    test::Type(edit ? edit : qobject_cast<QLineEdit*>(value), QString::fromStdString(text));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    Settle();
  }
  // ExpectState with the keys marked (the changed-marker shown, 0 or 1),
  // components (their names), said (the messages shown) and the names of the
  // listed properties (their values).
  void Expect(const std::string& state) {
    ExpectState(state, [this](const std::string& key) {
      std::string list;
      if (key == "marked")
        return std::to_string(window->ChangedMarker().isVisibleTo(window.get()));
      for (TComponent* component : window->Form().Components())
        list += (list.empty() ? "" : ",") + component->Name();
      if (key == "components")
        return list;
      list.clear();
      for (const std::string& text : messages.Texts())
        list += (list.empty() ? "" : " / ") + text;
      return key == "said" ? list : window->Properties().ShownValue(key);
    });
    messages.Clear();
  }

  MessageRecorder messages;
  TempDir dir;
  std::unique_ptr<MainWindow> window;
};

TEST_F(DesignerTest, TheWindowOpensOnItsPackagesPageAndFinalisesThePackagesItLoaded) {
  const int* gendsgn = PackageEnvironment::package->InfoTable().UnitInfo[6].InitCount;
  const int loaded = *gendsgn;
  window.reset();
  EXPECT_EQ(*gendsgn, loaded - 1);
  // Whatever page was shown before, a package opens its own.
  window = std::make_unique<MainWindow>();
  window->ComponentPalette().ShowPage("Data Access");
  window->LoadPackage(kPackagePath);
  EXPECT_EQ(window->ComponentPalette().tabText(window->ComponentPalette().currentIndex()),
            "Quonel");
  EXPECT_THROW(window->LoadPackage(kPackagePath), Exception);  // loaded already
  EXPECT_EQ(*gendsgn, loaded);
}

// Also makes the picture in docs/ when QGEN_SCREENSHOT_DIR names a folder for it.
TEST_F(DesignerTest, AFormIsDesignedWithThePaletteAndThePropertyList) {
  Place("TDatabase", {70, 50});
  TComponent& table = Place("TTable", {170, 50});
  Place("TDataSource", {270, 50});
  TComponent& gen = Place("TGenerator", {70, 140});
  Place("TUniKEY", {170, 140});
  Expect("components=Database1,Table1,DataSource1,Generator1,UniKEY1; marked=1");
  ClickOn(table);
  auto* databases = qobject_cast<QComboBox*>(window->Properties().ValueWidget("Database"));
  emit databases->textActivated(databases->itemText(databases->findText("Database1")));
  Settle();
  Expect("Database=Database1");
  ClickOn(gen);
  Type("Mask", "INV-####");
  Type("StartValue", "0001");
  Expect("Mask=INV-####; StartValue=0001");
  if (!ScreenshotDir().isEmpty())
    SaveScreenshot(*window, "designer.png");
}

TEST_F(DesignerTest, EditorsChangesMarkTheFormWhetherTheyTellItOrNot) {
  TComponent& gen = Place("TGenerator", {80, 80});
  auto saved = [&] { ASSERT_TRUE(window->SaveForm(dir.File("form.json"))); };
  std::vector<std::string> verbs;
  const std::unique_ptr<QMenu> menu = window->Module().ContextMenu(gen);
  for (QAction* action : menu->actions())
    verbs.push_back(action->text().toStdString());
  EXPECT_THAT(verbs, ElementsAre("Edit &Mask", "Setup  &DB", "&About", "", "Delete"));
  saved();
  window->Module().ContextMenu(gen)->actions()[1]->trigger();  // Setup DB tells the designer
  Expect("marked=1");
  // The Mask editor does not; the designer sees the change itself.
  saved();
  AnswerMaskDialog(Close::kOk, {"A-#", "1", "8"});
  Click(window->Properties().Ellipsis("Mask"));
  Settle();
  Expect("marked=1; Mask=A-#");
  saved();
  AnswerMaskDialog(Close::kCancel);
  Click(window->Properties().Ellipsis("Mask"));
  Expect("marked=0");
  // A double click runs verb 0, which marks the form even when cancelled.
  AnswerMaskDialog(Close::kCancel);
  QTest::mouseDClick(&window->Module(), Qt::LeftButton, {},
                     window->Module().BoundsOf(gen).center());
  Settle();
  Expect("marked=1; Mask=A-#");
  window->Module().ContextMenu(gen)->actions().back()->trigger();
  Expect("components=");
}

// The Name row renames one component; Ctrl+click selects several, which share
// their properties but not a name.
TEST_F(DesignerTest, ThePropertyListRenamesAComponentAndEditsSeveral) {
  TComponent& gen = Place("TGenerator", {80, 80});
  TComponent& other = Place("TGenerator", {200, 80});
  const std::string kept = "Name=invoices; marked=0; said=";
  const std::string taken = "\"; choose another name";
  const std::string invalid =
      "\" is not a valid component name: begin it with a letter or an underscore and use only "
      "letters, digits and underscores";
  const struct {
    const char* typed;
    std::string expect;
  } rows[] = {
      {"Invoices", "Name=Invoices; marked=1"},
      {"invoices", "Name=invoices; marked=1"},  // its own name in other letters
      {"generator2", kept + "The form already has a component named \"generator2" + taken},
      {"DataModule1", kept + "The form already has a component named \"DataModule1" + taken},
      {"2nd", kept + "\"2nd" + invalid},
      {"In voices", kept + "\"In voices" + invalid},
      {"", kept + "\"" + invalid},
      {"_Numbers2", "Name=_Numbers2; components=_Numbers2,Generator2; marked=1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    ClickOn(gen);
    ASSERT_TRUE(window->SaveForm(dir.File("form.json")));
    Type("Name", row.typed);
    Expect(row.expect);
  }
  ClickOn(gen);
  ClickOn(other, Qt::ControlModifier);
  EXPECT_EQ(window->Form().Selection().size(), 2u);
  EXPECT_EQ(window->Properties().RowOf("Name"), -1);
  EXPECT_EQ(window->Properties().RowOf("Mask"), -1);  // edited one generator at a time
  Type("GeneratorType", "7");
  Expect("GeneratorType=7");  // shown only when both hold it
}

TEST_F(DesignerTest, AChangedFormIsSavedOrDroppedOnlyWhenTheUserSaysSo) {
  const std::string other = dir.File("other.json");
  ASSERT_TRUE(window->SaveForm(other));  // an empty form to open
  const std::string mine = dir.File("mine.json");
  const struct {
    const char* action;  // the File menu's New, Open or Exit
    QMessageBox::StandardButton answer;
    const char* expect;  // afterwards
    bool closed;
  } rows[] = {
      {"New", QMessageBox::Cancel, "components=Generator1; marked=1", false},
      {"New", QMessageBox::Discard, "components=; marked=0", false},
      {"Open", QMessageBox::Cancel, "components=Generator1; marked=1", false},
      {"Open", QMessageBox::Discard, "components=; marked=0", false},
      {"Exit", QMessageBox::Cancel, "components=Generator1; marked=1", false},
      {"Exit", QMessageBox::Save, "marked=0", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.action) + " " + std::to_string(row.answer));
    window->NewForm();
    ASSERT_TRUE(window->SaveForm(mine));
    Place("TGenerator", {80, 80});
    WhenModal<QMessageBox>([&](QMessageBox& box) {
      EXPECT_EQ(box.text(), "The form has changed. Save it first?");
      Click(box.button(row.answer));
    });
    const QPointer<QTimer> choose = WhenModal<QFileDialog>([&](QFileDialog& files) {
      test::Type(files.findChild<QLineEdit*>("fileNameEdit"), QString::fromStdString(other));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    for (QAction* action : window->findChildren<QAction*>()) {
      if (action->text().remove('&').startsWith(row.action))
        action->trigger();
    }
    Settle();
    delete choose;  // Open asks for a file after Discard only
    Expect(row.expect);
    EXPECT_EQ(window->isVisible(), !row.closed);
    window->show();
  }
  EXPECT_THAT(ReadFile(mine), ::testing::HasSubstr("Generator1"));  // saved by the last answer
}

TEST_F(DesignerTest, FormsOpenInDesignModeAndWriteBackUnchanged) {
  const std::string example = std::string(QGEN_SOURCE_DIR) + "/examples/invoice.form.json";
  ASSERT_TRUE(window->OpenForm(example));
  ClickOn(*window->Form().Root()->FindComponent("BranchReceipts"));
  Expect("GetUserPrefixes=UserOption; Mask=R@-#####; marked=0");
  EXPECT_TRUE(window->Form().Components().front()->InState(csDesigning));
  ASSERT_TRUE(window->SaveForm(dir.File("copy.json")));
  EXPECT_EQ(ReadFile(dir.File("copy.json")), ReadFile(example));

  // A file that is not a form is reported; the open form stays.
  WriteFile(dir.File("broken.json"), "{ not json");
  EXPECT_FALSE(window->OpenForm(dir.File("broken.json")));
  EXPECT_THAT(messages.Texts(), ElementsAre(::testing::HasSubstr("broken.json")));
  EXPECT_EQ(window->Form().Components().size(), 5u);
}

}  // namespace
}  // namespace qgen::test
