// Two processes locate the same row and both try to write it: the first Post
// wins, the second raises, is back in dsBrowse and shows the first one's
// values. The second process is a real one (fork), with its own connection.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "dataaccess/Table.h"
#include "framework/Exception.h"
#include "tests/dataaccess/BackendFixture.h"

namespace qgen::test {
namespace {

class TwoProcessTest : public BackendTest {};

// Exit codes of the child.
enum ChildResult {
  kRefusedAsExpected = 0,
  kPostSucceeded = 10,
  kWrongFailure = 11,
  kWrongStateAfterFailure = 12,
  kSetupFailed = 13,
};

bool ReadByte(int fd) {
  char c = 0;
  return read(fd, &c, 1) == 1;
}

void WriteByte(int fd) {
  const char c = 'x';
  (void)!write(fd, &c, 1);
}

int Child(const std::string& uri, int ready_fd, int go_fd) {
  try {
    TDatabase database(nullptr);
    database.SetURI(uri);
    TTable table(nullptr);
    table.SetDatabase(&database);
    table.SetTableName("gen");
    table.Open();
    if (!table.Locate("GenID;Prefix", Variant::Array({7, "K-"})))
      return kSetupFailed;
    table.Edit();
    table.FieldByName("State")->SetValue(1);
    table.FieldByName("Who")->SetAsString("child");
    WriteByte(ready_fd);
    if (!ReadByte(go_fd))
      return kSetupFailed;
    try {
      table.Post();
      return kPostSucceeded;
    } catch (const EDatabaseError& e) {
      if (std::string(e.what()) != "Record changed by another user")
        return kWrongFailure;
    }
    const bool sees_parent = table.State() == dsBrowse &&
                             table.FieldByName("Who")->AsString() == "parent" &&
                             table.FieldByName("State")->Value() == Variant(1);
    return sees_parent ? kRefusedAsExpected : kWrongStateAfterFailure;
  } catch (...) {
    return kSetupFailed;
  }
}

TEST_P(TwoProcessTest, FirstPostWinsAcrossProcesses) {
  Exec(std::string("CREATE TABLE gen (\"GenID\" ") + Pick("REAL", "double precision") +
       " NOT NULL, \"Prefix\" VARCHAR(100) NOT NULL, \"State\" " +
       Pick("REAL", "double precision") +
       ", \"Who\" VARCHAR(20), PRIMARY KEY (\"GenID\", \"Prefix\"))");
  Exec("INSERT INTO gen VALUES (7, 'K-', 0, 'nobody')");

  int ready[2];
  int go[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(go), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(ready[0]);
    close(go[1]);
    _exit(Child(Uri(), ready[1], go[0]));
  }
  close(ready[1]);
  close(go[0]);

  // Both have read the free row; this process writes first.
  const bool child_ready = ReadByte(ready[0]);
  TTable table(nullptr);
  table.SetDatabase(&db());
  table.SetTableName("gen");
  table.Open();
  ASSERT_TRUE(table.Locate("GenID;Prefix", Variant::Array({7, "K-"})));
  table.Edit();
  table.FieldByName("State")->SetValue(1);
  table.FieldByName("Who")->SetAsString("parent");
  table.Post();
  WriteByte(go[1]);
  close(go[1]);

  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  close(ready[0]);
  ASSERT_TRUE(child_ready);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kRefusedAsExpected);
  EXPECT_EQ(Query("SELECT \"Who\" FROM gen")[0][0].ToString(), "parent");
}

QGEN_BACKEND_TEST_SUITE(TwoProcessTest);

}  // namespace
}  // namespace qgen::test
