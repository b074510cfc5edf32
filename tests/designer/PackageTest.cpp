// The package as a designer finds it: libqgenpkg.so opened with dlopen, its
// C entries, its unit table, its once-only guards, its resources and what its
// registration routines register.
#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>
#include <set>
#include <string>
#include <vector>

#include "designer/PackageEntries.h"
#include "designer/Registration.h"
#include "tests/designer/PackageFixture.h"

namespace qgen::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(handle, nullptr) << dlerror(); }
  void TearDown() override { dlclose(handle); }
  // The package's entry `name`, which it must export with C linkage.
  template <class T>
  T Entry(const char* name) {
    void* symbol = dlsym(handle, name);
    EXPECT_NE(symbol, nullptr) << name << " is not exported";
    return reinterpret_cast<T>(symbol);
  }
  const TPackageInfoTable& Table() { return *Entry<TGetPackageInfoTable>("GetPackageInfoTable")(); }
  std::vector<int> Counts() {
    std::vector<int> counts;
    for (int i = 0; i < Table().UnitCount; ++i)
      counts.push_back(*Table().UnitInfo[i].InitCount);
    return counts;
  }

  void* handle = dlopen(kPackagePath, RTLD_NOW | RTLD_LOCAL);
};

TEST_F(PackageTest, UnitsInitialiseInTableOrderOnceAndFinaliseInReverse) {
  std::vector<std::string> names;
  for (int i = 0; i < Table().UnitCount; ++i)
    names.push_back(Table().UnitInfo[i].Name);
  EXPECT_THAT(names, ElementsAre("framework", "dataaccess", "GenDlg", "Gensrc", "UniKEY",
                                 "designer", "gendsgn"));
  // The test run has initialised the package once, as a designer does. A
  // second user's Initialize does no unit's work again, and its Finalize
  // undoes only its own Initialize.
  const std::vector<int> loaded = Counts();
  EXPECT_THAT(loaded, ::testing::Each(1));
  const std::size_t classes = Classes().Names().size();
  Entry<TPackageEntry>("Initialize")();
  EXPECT_THAT(Counts(), ::testing::Each(2));
  EXPECT_EQ(Classes().Names().size(), classes);
  Entry<TPackageEntry>("Finalize")();
  EXPECT_EQ(Counts(), loaded);
  // A unit's guard never counts below zero.
  const TPackageUnitEntry& gendsgn = Table().UnitInfo[Table().UnitCount - 1];
  gendsgn.FInit();
  gendsgn.FInit();
  EXPECT_EQ(*gendsgn.InitCount, 0);
  gendsgn.Init();
}

TEST_F(PackageTest, RegistersTGeneratorThenTUniKEYOnQuonelOnce) {
  const TPackageRegistrationTable& registrations =
      *Entry<TGetPackageRegistrations>("GetPackageRegistrations")();
  ASSERT_EQ(registrations.Count, 2);
  EXPECT_STREQ(registrations.Entries[0].UnitName, "gendsgn");
  EXPECT_STREQ(registrations.Entries[1].UnitName, "UniKEY");
  // UniKEY's routine registers TUniKEY on the page again: ignored.
  Entry<TPackageEntry>("UniKEY_Register")();
  Entry<TPackageEntry>("gendsgn_Register")();
  const TPalettePage* quonel = DesignRegistry().FindPage("Quonel");
  ASSERT_NE(quonel, nullptr);
  ASSERT_EQ(quonel->classes.size(), 2u);
  // The classes are those of the designer's own class registry: the package
  // shares the runtime with its host instead of bringing one of its own.
  EXPECT_EQ(quonel->classes[0].info, Classes().Find("TGenerator"));
  EXPECT_EQ(quonel->classes[1].info, Classes().Find("TUniKEY"));
}

TEST_F(PackageTest, PaletteImagesAreBitmapsOf24By24In16ColoursBesideADescription) {
  auto resource = Entry<TGetPackageResource>("GetPackageResource");
  for (const char* name : {"TGENERATOR", "TUNIKEY"}) {
    SCOPED_TRACE(name);
    std::size_t size = 0;
    const unsigned char* data = resource(name, &size);
    ASSERT_NE(data, nullptr);
    ASSERT_GE(size, 30u);
    EXPECT_EQ(data[28], 4);  // bits per pixel: 16 colours
    const QImage image = QImage::fromData(data, static_cast<int>(size), "BMP");
    EXPECT_EQ(image.size(), QSize(24, 24));
    std::set<QRgb> colours;  // drawn, not blank
    for (int i = 0; i < 24 * 24; ++i)
      colours.insert(image.pixel(i % 24, i / 24));
    EXPECT_GE(colours.size(), 4u);
  }
  EXPECT_THAT(PackageEnvironment::Package().Description(), HasSubstr("TUniKEY"));
  std::size_t size = 0;
  EXPECT_EQ(resource("tgenerator", &size), nullptr);  // names are exact
  EXPECT_EQ(resource(nullptr, &size), nullptr);
}

}  // namespace
}  // namespace qgen::test
