// TDatabase's explicit transaction, the same tests on SQLite and on
// PostgreSQL: posts inside it are seen by others only after Commit, Rollback
// and Close undo them, a failed post leaves it open, misuse raises, and a
// transaction that the database itself ended never lets a later post be
// written on its own.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dataaccess/Table.h"
#include "framework/Exception.h"
#include "tests/dataaccess/BackendFixture.h"

namespace qgen::test {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The message of the EDatabaseError that `f` raises, or "" when none.
template <class F>
std::string Failure(F f) {
  try {
    f();
  } catch (const EDatabaseError& e) {
    return e.what();
  }
  return "";
}

class TransactionTest : public BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    Exec("CREATE TABLE t (id VARCHAR(20) NOT NULL PRIMARY KEY, v VARCHAR(20))");
    writer_ = Connect();
    table_ = std::make_unique<TTable>(nullptr);
    table_->SetDatabase(writer_.get());
    table_->SetTableName("t");
    table_->Open();
  }
  void TearDown() override {
    table_.reset();
    writer_.reset();
    BackendTest::TearDown();
  }

  // Inserts one record through the table; raises as Post does.
  void Insert(const std::string& id, const std::string& v = "") {
    table_->Insert();
    table_->FieldByName("id")->SetAsString(id);
    table_->FieldByName("v")->SetAsString(v);
    table_->Post();
  }

  // The ids in the table as another program sees them, in order.
  std::string Seen() {
    std::string ids;
    for (const auto& row : Query("SELECT id FROM t ORDER BY id"))
      ids += (ids.empty() ? "" : ",") + row[0].ToString();
    return ids;
  }

  TDatabase& writer() { return *writer_; }
  TTable& table() { return *table_; }

  std::unique_ptr<TDatabase> writer_;
  std::unique_ptr<TTable> table_;
};

TEST_P(TransactionTest, PostsAreSeenByOthersOnlyAfterCommit) {
  Insert("a");
  writer().StartTransaction();
  EXPECT_TRUE(writer().InTransaction());
  Insert("b");
  Insert("c");
  table().Locate("id", Variant("a"));
  table().Edit();
  table().FieldByName("v")->SetAsString("edited");
  table().Post();
  writer().Execute("DELETE FROM t WHERE id = ?", {Variant("c")});
  EXPECT_EQ(Seen(), "a");
  // The writer sees its own uncommitted work.
  EXPECT_EQ(writer().Query("SELECT COUNT(*) FROM t")[0][0].ToInt64(), 2);
  writer().Commit();
  EXPECT_FALSE(writer().InTransaction());
  EXPECT_EQ(Seen(), "a,b");
  EXPECT_EQ(Query("SELECT v FROM t WHERE id = 'a'")[0][0].ToString(), "edited");
  // After Commit each post is committed on its own again.
  Insert("d");
  EXPECT_EQ(Seen(), "a,b,d");
}

TEST_P(TransactionTest, RollbackCloseAndDestructionUndoTheTransaction) {
  Insert("a");
  writer().StartTransaction();
  Insert("b");
  writer().Execute("UPDATE t SET v = 'x'");
  writer().Rollback();
  EXPECT_FALSE(writer().InTransaction());
  EXPECT_EQ(Seen(), "a");
  EXPECT_EQ(writer().Query("SELECT v FROM t")[0][0].ToString(), "");

  writer().StartTransaction();
  Insert("c");
  writer().Close();
  EXPECT_FALSE(writer().InTransaction());
  EXPECT_EQ(Seen(), "a");
  writer().Open();
  table().Close();
  table().Open();
  Insert("d");  // on its own again
  EXPECT_EQ(Seen(), "a,d");

  auto other = Connect();
  other->StartTransaction();
  other->Execute("INSERT INTO t (id) VALUES ('e')");
  other.reset();
  EXPECT_EQ(Seen(), "a,d");
}

TEST_P(TransactionTest, MisuseRaisesAndLeavesTheTransactionAsItWas) {
  const std::string commit = Failure([&] { writer().Commit(); });
  EXPECT_TRUE(Contains(commit, "No transaction is open")) << commit;
  const std::string rollback = Failure([&] { writer().Rollback(); });
  EXPECT_TRUE(Contains(rollback, "No transaction is open")) << rollback;

  writer().StartTransaction();
  Insert("a");
  const std::string twice = Failure([&] { writer().StartTransaction(); });
  EXPECT_TRUE(Contains(twice, "already open")) << twice;
  EXPECT_TRUE(writer().InTransaction());
  Insert("b");
  writer().Commit();
  EXPECT_EQ(Seen(), "a,b");

  TDatabase closed(nullptr);
  closed.SetURI(Uri());
  const std::string unopened = Failure([&] { closed.StartTransaction(); });
  EXPECT_TRUE(Contains(unopened, "not connected")) << unopened;
  EXPECT_FALSE(closed.InTransaction());
}

TEST_P(TransactionTest, FailedPostKeepsItsChangePendingAndTheTransactionOpen) {
  writer().StartTransaction();
  Insert("a", "first");
  // Refused by the primary key: pending for correction, the transaction goes on.
  EXPECT_THROW(Insert("a", "second"), EDatabaseError);
  EXPECT_EQ(table().State(), dsInsert);
  EXPECT_TRUE(writer().InTransaction());
  table().FieldByName("id")->SetAsString("b");
  table().Post();
  // A failed statement of any kind leaves the transaction usable.
  EXPECT_THROW(writer().Query("SELECT * FROM no_such_table"), EDatabaseError);
  table().Edit();
  table().FieldByName("id")->SetAsString("a");
  EXPECT_THROW(table().Post(), EDatabaseError);
  EXPECT_EQ(table().State(), dsEdit);
  table().Cancel();
  Insert("c");
  writer().Commit();
  EXPECT_EQ(Seen(), "a,b,c");
  EXPECT_EQ(Query("SELECT v FROM t WHERE id = 'a'")[0][0].ToString(), "first");
}

TEST_P(TransactionTest, CommitRefusedByTheDatabaseEndsTheTransactionWritingNothing) {
  // A deferred foreign key is checked at Commit.
  Exec("CREATE TABLE parent (id INTEGER PRIMARY KEY)");
  Exec(
      "CREATE TABLE child (id VARCHAR(20) PRIMARY KEY, p INTEGER REFERENCES parent (id) "
      "DEFERRABLE INITIALLY DEFERRED)");
  if (!IsPostgres())
    writer().Execute("PRAGMA foreign_keys = ON");
  writer().StartTransaction();
  Insert("a");
  writer().Execute("INSERT INTO child (id, p) VALUES ('orphan', 7)");
  const std::string message = Failure([&] { writer().Commit(); });
  EXPECT_TRUE(Contains(message, "nothing of it was written")) << message;
  EXPECT_FALSE(writer().InTransaction());
  EXPECT_EQ(Seen(), "");
  EXPECT_EQ(Query("SELECT COUNT(*) FROM child")[0][0].ToInt64(), 0);
  // The connection is left with no transaction of its own: a new one starts.
  writer().StartTransaction();
  Insert("b");
  writer().Commit();
  EXPECT_EQ(Seen(), "b");
}

// The database ends the transaction on its own: SQLite for a trigger's
// RAISE(ROLLBACK), PostgreSQL when the connection is lost. Nothing posted
// afterwards may be written on its own until the caller ends the transaction.
TEST_P(TransactionTest, TransactionEndedByTheDatabaseIsNeverContinuedOnItsOwn) {
  if (IsPostgres()) {
    writer().StartTransaction();
    Insert("a");
    const Variant pid = writer().Query("SELECT pg_backend_pid()")[0][0];
    Query("SELECT pg_terminate_backend(?::int)", {pid});
    const std::string lost = Failure([&] { Insert("b"); });
    EXPECT_TRUE(Contains(lost, "Lost the connection")) << lost;
    EXPECT_TRUE(Contains(lost, "rolled the open transaction back")) << lost;
  } else {
    Exec(
        "CREATE TRIGGER refuse BEFORE INSERT ON t WHEN NEW.v = 'boom' "
        "BEGIN SELECT RAISE(ROLLBACK, 'refused by the trigger'); END");
    writer().StartTransaction();
    Insert("a");
    const std::string lost = Failure([&] { Insert("b", "boom"); });
    EXPECT_TRUE(Contains(lost, "refused by the trigger")) << lost;
    EXPECT_TRUE(Contains(lost, "rolled the open transaction back")) << lost;
  }
  EXPECT_EQ(table().State(), dsInsert);
  table().Cancel();
  EXPECT_TRUE(writer().InTransaction());
  const std::string after = Failure([&] { Insert("c"); });
  EXPECT_TRUE(Contains(after, "roll it back and start again")) << after;
  table().Cancel();
  EXPECT_EQ(Seen(), "");

  const std::string commit = Failure([&] { writer().Commit(); });
  EXPECT_TRUE(Contains(commit, "nothing of it was written")) << commit;
  EXPECT_FALSE(writer().InTransaction());
  Insert("d");  // the connection is made again outside a transaction
  EXPECT_EQ(Seen(), "d");

  // Rollback ends such a transaction without complaint.
  if (IsPostgres()) {
    writer().StartTransaction();
    const Variant pid = writer().Query("SELECT pg_backend_pid()")[0][0];
    Query("SELECT pg_terminate_backend(?::int)", {pid});
    EXPECT_THROW(Insert("e"), EDatabaseError);
    table().Cancel();
    writer().Rollback();
    Insert("f");
    EXPECT_EQ(Seen(), "d,f");
  }
}

TEST_P(TransactionTest, SqliteStartTakesTheWriteLockAtOnce) {
  if (IsPostgres())
    GTEST_SKIP() << "PostgreSQL locks rows, not the database";
  writer().StartTransaction();
  auto other = Connect();
  other->SetBusyTimeout(100);
  const std::string busy = Failure([&] { other->StartTransaction(); });
  EXPECT_TRUE(Contains(busy, "100 ms")) << busy;
  EXPECT_FALSE(other->InTransaction());
  writer().Commit();
  other->StartTransaction();
  other->Rollback();
}

QGEN_BACKEND_TEST_SUITE(TransactionTest);

}  // namespace
}  // namespace qgen::test
