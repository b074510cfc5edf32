// The package as a designer finds it: its C entries, its unit table, its
// once-only guards, its resources and what its registration routines register.
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

const TPackageInfoTable& Units() {
  return PackageEnvironment::package->InfoTable();
}

// The package's entry `name`, which it must export with C linkage.
template <class T>
T Entry(const char* name) {
  void* library = dlopen(kPackagePath, RTLD_NOW | RTLD_NOLOAD);  // loaded for the test run
  void* symbol = dlsym(library, name);
  dlclose(library);
  EXPECT_NE(symbol, nullptr) << name << " is not exported";
  return reinterpret_cast<T>(symbol);
}

std::vector<int> Counts() {
  std::vector<int> counts;
  for (int i = 0; i < Units().UnitCount; ++i)
    counts.push_back(*Units().UnitInfo[i].InitCount);
  return counts;
}

TEST(PackageTest, UnitsInitialiseInTableOrderOnceAndFinaliseWithTheLastUser) {
  std::vector<std::string> names;
  for (int i = 0; i < Units().UnitCount; ++i)
    names.push_back(Units().UnitInfo[i].Name);
  EXPECT_THAT(names, ElementsAre("framework", "dataaccess", "GenDlg", "Gensrc", "UniKEY",
                                 "designer", "gendsgn"));
  // The test run has initialised the package once, as a designer does. A
  // second user's Initialize does no unit's work again, and letting go of it
  // undoes only its own Initialize.
  const std::vector<int> loaded = Counts();
  EXPECT_THAT(loaded, ::testing::Each(1));
  {
    TPackage second(kPackagePath);
    second.Initialize();
    EXPECT_THAT(Counts(), ::testing::Each(2));
  }
  EXPECT_EQ(Counts(), loaded);
  // A unit's guard never counts below zero.
  const TPackageUnitEntry& gendsgn = Units().UnitInfo[Units().UnitCount - 1];
  gendsgn.FInit();
  gendsgn.FInit();
  EXPECT_EQ(*gendsgn.InitCount, 0);
  gendsgn.Init();
}

TEST(PackageTest, RegistersTGeneratorThenTUniKEYOnQuonelOnce) {
  const TPackageRegistrationTable& registrations = PackageEnvironment::package->Registrations();
  ASSERT_EQ(registrations.Count, 2);
  EXPECT_STREQ(registrations.Entries[0].UnitName, "gendsgn");
  EXPECT_STREQ(registrations.Entries[1].UnitName, "UniKEY");
  // Exported on their own too. The test run has registered them once; again,
  // they are ignored.
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

TEST(PackageTest, PaletteImagesAreBitmapsOf24By24In16ColoursBesideADescription) {
  for (const char* name : {"TGENERATOR", "TUNIKEY"}) {
    SCOPED_TRACE(name);
    const auto bytes = PackageEnvironment::package->Resource(name);
    ASSERT_TRUE(bytes && bytes->size() >= 30u);
    EXPECT_EQ((*bytes)[28], 4);  // bits per pixel: 16 colours
    const QImage image = QImage::fromData(QByteArrayView(bytes->data(), bytes->size()), "BMP");
    EXPECT_EQ(image.size(), QSize(24, 24));
    std::set<QRgb> colours;  // drawn, not blank
    for (int i = 0; i < 24 * 24; ++i)
      colours.insert(image.pixel(i % 24, i / 24));
    EXPECT_GE(colours.size(), 4u);
  }
  EXPECT_THAT(PackageEnvironment::package->Description(), ::testing::HasSubstr("TUniKEY"));
  EXPECT_FALSE(PackageEnvironment::package->Resource("tgenerator"));  // names are exact
  EXPECT_EQ(Entry<TGetPackageResource>("GetPackageResource")(nullptr, nullptr), nullptr);
}

}  // namespace
}  // namespace qgen::test
