// A value that Generator has returned is on disk. On SQLite the write-back's
// commit does not wait for the disk and the log is synced after the turn is
// handed on; the value must still not be handed out before that sync.
#include <sqlite3.h>

#include <atomic>

#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

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
  LogSyncWatch(const LogSyncWatch&) = delete;
  LogSyncWatch& operator=(const LogSyncWatch&) = delete;
  ~LogSyncWatch() {
    sqlite3_vfs_unregister(&vfs_);
    sqlite3_vfs_register(real_, 1);
  }

  static bool Unsynced() { return unsynced_; }

 private:
  // Our file, with the real file's object right behind it.
  struct File {
    sqlite3_file base;
    bool log;
    sqlite3_file* Real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
  };

  static File* Of(sqlite3_file* file) { return reinterpret_cast<File*>(file); }
  static int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out) {
    File* own = Of(file);
    own->base.pMethods = nullptr;
    own->log = (flags & SQLITE_OPEN_WAL) != 0;
    const int rc = real_->xOpen(real_, name, own->Real(), flags, out);
    if (rc == SQLITE_OK && own->Real()->pMethods)
      own->base.pMethods = &kMethods;
    return rc;
  }

  static int Write(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
    if (Of(f)->log)
      unsynced_ = true;
    return Of(f)->Real()->pMethods->xWrite(Of(f)->Real(), data, amount, offset);
  }
  static int Sync(sqlite3_file* f, int flags) {
    const int rc = Of(f)->Real()->pMethods->xSync(Of(f)->Real(), flags);
    if (rc == SQLITE_OK && Of(f)->log)
      unsynced_ = false;
    return rc;
  }

  // Every other method is the real file's.
  template <auto Member, class... Args>
  static int Forward(sqlite3_file* f, Args... args) {
    return (Of(f)->Real()->pMethods->*Member)(Of(f)->Real(), args...);
  }
  static int Close(sqlite3_file* f) { return Forward<&sqlite3_io_methods::xClose>(f); }
  static void Barrier(sqlite3_file* f) { Of(f)->Real()->pMethods->xShmBarrier(Of(f)->Real()); }

  static constexpr sqlite3_io_methods kMethods = {
      3,
      &Close,
      &Forward<&sqlite3_io_methods::xRead, void*, int, sqlite3_int64>,
      &Write,
      &Forward<&sqlite3_io_methods::xTruncate, sqlite3_int64>,
      &Sync,
      &Forward<&sqlite3_io_methods::xFileSize, sqlite3_int64*>,
      &Forward<&sqlite3_io_methods::xLock, int>,
      &Forward<&sqlite3_io_methods::xUnlock, int>,
      &Forward<&sqlite3_io_methods::xCheckReservedLock, int*>,
      &Forward<&sqlite3_io_methods::xFileControl, int, void*>,
      &Forward<&sqlite3_io_methods::xSectorSize>,
      &Forward<&sqlite3_io_methods::xDeviceCharacteristics>,
      &Forward<&sqlite3_io_methods::xShmMap, int, int, int, void volatile**>,
      &Forward<&sqlite3_io_methods::xShmLock, int, int, int>,
      &Barrier,
      &Forward<&sqlite3_io_methods::xShmUnmap, int>,
      &Forward<&sqlite3_io_methods::xFetch, sqlite3_int64, int, void**>,
      &Forward<&sqlite3_io_methods::xUnfetch, sqlite3_int64, void*>,
  };

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
