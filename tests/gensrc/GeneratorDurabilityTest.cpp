// A value that Generator has returned is on disk, though on SQLite the log is
// synced only after the write-back's commit and the turn's hand-over.
#include <sqlite3.h>

#include <atomic>

#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

// An SQLite file of ours, with the real file's object right behind it.
struct File {
  sqlite3_file base;
  bool log;
  sqlite3_file* Real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};
File* Of(sqlite3_file* file) {
  return reinterpret_cast<File*>(file);
}

using M = sqlite3_io_methods;

// Calls the real file's method.
template <auto Member, class... Args>
auto Forward(sqlite3_file* f, Args... args) {
  return (Of(f)->Real()->pMethods->*Member)(Of(f)->Real(), args...);
}

// Registered as SQLite's default file system around the real one: tells
// whether anything was written to a write-ahead log since its last sync.
class LogSyncWatch {
 public:
  LogSyncWatch() {
    real_ = sqlite3_vfs_find(nullptr);
    vfs_ = *real_;
    vfs_.zName = "qgen-log-sync-watch";
    vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
    vfs_.xOpen = &Open;
    sqlite3_vfs_register(&vfs_, 1);
  }
  ~LogSyncWatch() {
    sqlite3_vfs_unregister(&vfs_);
    sqlite3_vfs_register(real_, 1);
  }

  static bool Unsynced() { return unsynced_; }

 private:
  static int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out) {
    File* own = Of(file);
    own->log = (flags & SQLITE_OPEN_WAL) != 0;
    const int rc = real_->xOpen(real_, name, own->Real(), flags, out);
    own->base.pMethods = rc == SQLITE_OK && own->Real()->pMethods ? &kMethods : nullptr;
    return rc;
  }

  static int Write(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
    unsynced_ = unsynced_ || Of(f)->log;
    return Forward<&M::xWrite>(f, data, amount, offset);
  }
  static int Sync(sqlite3_file* f, int flags) {
    const int rc = Forward<&M::xSync>(f, flags);
    unsynced_ = unsynced_ && !(rc == SQLITE_OK && Of(f)->log);
    return rc;
  }

  // Writes and syncs are watched, every other method is the real file's.
  static constexpr sqlite3_io_methods kMethods = {
      3,
      &Forward<&M::xClose>,
      &Forward<&M::xRead, void*, int, sqlite3_int64>,
      &Write,
      &Forward<&M::xTruncate, sqlite3_int64>,
      &Sync,
      &Forward<&M::xFileSize, sqlite3_int64*>,
      &Forward<&M::xLock, int>,
      &Forward<&M::xUnlock, int>,
      &Forward<&M::xCheckReservedLock, int*>,
      &Forward<&M::xFileControl, int, void*>,
      &Forward<&M::xSectorSize>,
      &Forward<&M::xDeviceCharacteristics>,
      &Forward<&M::xShmMap, int, int, int, void volatile**>,
      &Forward<&M::xShmLock, int, int, int>,
      &Forward<&M::xShmBarrier>,
      &Forward<&M::xShmUnmap, int>,
      &Forward<&M::xFetch, sqlite3_int64, int, void**>,
      &Forward<&M::xUnfetch, sqlite3_int64, void*>};

  static inline sqlite3_vfs* real_ = nullptr;
  static inline std::atomic<bool> unsynced_ = false;
  sqlite3_vfs vfs_{};
};

TEST_F(GeneratorTest, AValueIsOnDiskBeforeGeneratorReturnsIt) {
  const LogSyncWatch watch;
  Program& program = NewProgram();
  TGenerator* gen = program.NewGenerator("INV-####");
  for (const char* expected : {"INV-0001", "INV-0002", "INV-0003"}) {
    EXPECT_EQ(gen->Generator(), expected);
    EXPECT_FALSE(LogSyncWatch::Unsynced()) << expected;
  }
}

}  // namespace
}  // namespace qgen::test
