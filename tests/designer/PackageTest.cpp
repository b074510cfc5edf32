// The package as a designer finds it: libqgenpkg.so opened with dlopen, its
// C entries, its unit table, its once-only guards and its resources.
#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <cstring>
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
  void SetUp() override {
    handle = dlopen(kPackagePath, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
  }
  void TearDown() override {
    if (handle)
      dlclose(handle);
  }
  template <class T>
  T Entry(const char* name) {
    void* symbol = dlsym(handle, name);
    EXPECT_NE(symbol, nullptr) << name << " is not exported";
    return reinterpret_cast<T>(symbol);
  }
  const TPackageInfoTable& Table() { return *Entry<TGetPackageInfoTable>("GetPackageInfoTable")(); }
  std::vector<int> Counts() {
    std::vector<int> counts;
    const TPackageInfoTable& table = Table();
    for (int i = 0; i < table.UnitCount; ++i)
      counts.push_back(*table.UnitInfo[i].InitCount);
    return counts;
  }
  void* handle = nullptr;
};

TEST_F(PackageTest, ExportsItsEntriesWithCLinkage) {
  for (const char* name :
       {"Initialize", "Finalize", "GetPackageInfoTable", "GetPackageRegistrations",
        "GetPackageResource", "gendsgn_Register", "UniKEY_Register"}) {
    EXPECT_NE(dlsym(handle, name), nullptr) << name;
  }
}

TEST_F(PackageTest, UnitTableListsTheRuntimeThenTheUnitsWithGendsgnLast) {
  const TPackageInfoTable& table = Table();
  std::vector<std::string> names;
  for (int i = 0; i < table.UnitCount; ++i) {
    names.push_back(table.UnitInfo[i].Name);
    EXPECT_NE(table.UnitInfo[i].Init, nullptr) << names.back();
    EXPECT_NE(table.UnitInfo[i].FInit, nullptr) << names.back();
  }
  EXPECT_THAT(names, ElementsAre("framework", "dataaccess", "GenDlg", "Gensrc", "UniKEY",
                                 "designer", "gendsgn"));
  // gendsgn registers first, so that Quonel holds TGenerator before TUniKEY.
  const TPackageRegistrationTable& registrations =
      *Entry<TGetPackageRegistrations>("GetPackageRegistrations")();
  ASSERT_EQ(registrations.Count, 2);
  EXPECT_STREQ(registrations.Entries[0].UnitName, "gendsgn");
  EXPECT_STREQ(registrations.Entries[1].UnitName, "UniKEY");
}

TEST_F(PackageTest, InitializeAndFinalizeAreCountedPerUnit) {
  // The test run has initialised the package once, as a designer does.
  const std::vector<int> loaded = Counts();
  EXPECT_THAT(loaded, ::testing::Each(1));
  auto initialize = Entry<TPackageEntry>("Initialize");
  auto finalize = Entry<TPackageEntry>("Finalize");

  // A second user of the package: its units' work is not done again, and its
  // Finalize undoes only its own Initialize.
  const std::size_t classes = Classes().Names().size();
  initialize();
  EXPECT_THAT(Counts(), ::testing::Each(2));
  EXPECT_EQ(Classes().Names().size(), classes);
  finalize();
  EXPECT_EQ(Counts(), loaded);

  // A unit's guard never counts below zero.
  const TPackageUnitEntry& gendsgn = Table().UnitInfo[Table().UnitCount - 1];
  gendsgn.FInit();
  EXPECT_EQ(*gendsgn.InitCount, 0);
  gendsgn.FInit();
  EXPECT_EQ(*gendsgn.InitCount, 0);
  gendsgn.Init();
  EXPECT_EQ(*gendsgn.InitCount, 1);
}

TEST_F(PackageTest, PaletteImagesAreBitmapsOf24By24In16Colours) {
  auto resource = Entry<TGetPackageResource>("GetPackageResource");
  for (const char* name : {"TGENERATOR", "TUNIKEY"}) {
    SCOPED_TRACE(name);
    std::size_t size = 0;
    const unsigned char* data = resource(name, &size);
    ASSERT_NE(data, nullptr);
    ASSERT_GE(size, 54u);
    EXPECT_EQ(std::memcmp(data, "BM", 2), 0);
    auto u16 = [&](std::size_t at) { return data[at] | data[at + 1] << 8; };
    auto u32 = [&](std::size_t at) {
      return std::uint32_t(u16(at)) | std::uint32_t(u16(at + 2)) << 16;
    };
    EXPECT_EQ(u32(18), 24u);  // width
    EXPECT_EQ(u32(22), 24u);  // height
    EXPECT_EQ(u16(28), 4);    // bits per pixel: 16 colours
    const QImage image = QImage::fromData(data, static_cast<int>(size), "BMP");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(24, 24));
    EXPECT_LE(image.colorCount(), 16);
    // Drawn, not blank: more than the ground colour.
    std::vector<QRgb> seen;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x)
        if (std::find(seen.begin(), seen.end(), image.pixel(x, y)) == seen.end())
          seen.push_back(image.pixel(x, y));
    EXPECT_GE(seen.size(), 4u);
  }
  std::size_t size = 0;
  const unsigned char* text = resource("DESCRIPTION", &size);
  ASSERT_NE(text, nullptr);
  EXPECT_THAT(std::string(reinterpret_cast<const char*>(text), size), HasSubstr("TGenerator"));
  EXPECT_EQ(resource("tgenerator", &size), nullptr);  // names are exact
  EXPECT_EQ(resource("TNOTHING", &size), nullptr);
  EXPECT_EQ(resource(nullptr, &size), nullptr);
}

TEST_F(PackageTest, RegistersOnPageQuonelTGeneratorThenTUniKEY) {
  const TPalettePage* quonel = DesignRegistry().FindPage("Quonel");
  ASSERT_NE(quonel, nullptr);
  std::vector<std::string> names;
  for (const TComponentClass& cls : quonel->classes)
    names.push_back(cls.Name());
  EXPECT_THAT(names, ElementsAre("TGenerator", "TUniKEY"));

  // UniKEY's own routine registers TUniKEY on the same page again: ignored.
  Entry<TPackageEntry>("UniKEY_Register")();
  Entry<TPackageEntry>("gendsgn_Register")();
  EXPECT_EQ(DesignRegistry().FindPage("Quonel")->classes.size(), 2u);

  // The classes are those of the designer's own class registry: the package
  // shares the runtime with its host instead of bringing one of its own.
  EXPECT_EQ(quonel->classes[0].info, Classes().Find("TGenerator"));
  EXPECT_EQ(quonel->classes[1].info, Classes().Find("TUniKEY"));
}

TEST_F(PackageTest, DescriptionNamesThePackage) {
  EXPECT_THAT(PackageEnvironment::Package().Description(), HasSubstr("TUniKEY"));
}

}  // namespace
}  // namespace qgen::test
