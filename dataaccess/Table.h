// TTable: a dataset over one table of a TDatabase. Locate reads the row afresh;
// each Post is one transaction, or part of the database's explicit one while
// that is open (TDatabase::StartTransaction); an edit is written with optimistic
// concurrency (only where every column still holds the value it had when read).
// Field values are engine text; the table converts them from and to UTF-8
// with the database's CodePage(). First reads the table's records in their
// natural order; Next walks through what First read. Of several rows that
// match, Locate takes the first by primary key, else by SQLite's rowid; on
// PostgreSQL without a primary key, the row this table shows, else the first
// by ctid. So locating and posting again and again keeps to one row.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dataaccess/DataSet.h"
#include "dataaccess/Database.h"

namespace qgen {

struct ResultRows;

class TTable : public TDataSet {
 public:
  explicit TTable(TComponent* owner);
  ~TTable() override;

  TDatabase* Database() const { return database_; }
  // The database the table lives in; hears of its destruction, then closes and
  // lets go. Setting another database closes the table.
  void SetDatabase(TDatabase* database);
  // The table's name (engine text, one identifier, quoted in SQL whatever it
  // holds). Setting another name closes the table.
  const std::string& TableName() const { return table_name_; }
  void SetTableName(const std::string& name);
  // A read-only table refuses Insert and Edit at once.
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }
  // The columns the optimistic check of an edit compares: "" (the default)
  // for every column, or field names separated by ";" as Locate takes them.
  // A program that knows which columns decide whether its change still holds
  // names those: a change another program made to the other columns alone
  // then neither makes this table's Post fail nor is overwritten by it (Post
  // writes only the fields this table changed). The row is found by its
  // identity, or by its primary key when the list holds all of that key's
  // columns (PostgreSQL's row identity moves with every change of the row).
  // A name that is no field of the table raises EDatabaseError at Post.
  const std::string& CheckedFields() const { return checked_fields_; }
  void SetCheckedFields(const std::string& fields) { checked_fields_ = fields; }

  // Opens the database when it is not connected, reads the columns and makes
  // the first record current. Raises EDatabaseError when the table is missing.
  void Open() override;
  void Close() override;
  bool Locate(const std::string& key_fields, const Variant& key_values) override;
  // Locate, Edit and Post in one statement: writes `changes` (field name and
  // value) into the records whose `key_fields` hold `key_values` and whose
  // `where_fields` hold `where_values` as well (both as Locate takes them),
  // and makes the record as written current. For a key that is unique: every
  // record that matches is written. False when none matched: nothing is
  // written and the current record stays. Raises what Post raises.
  bool EditWhere(const std::string& key_fields, const Variant& key_values,
                 const std::string& where_fields, const Variant& where_values,
                 const std::vector<std::pair<std::string, Variant>>& changes) {
    return StepWhere(key_fields, key_values, where_fields, where_values, {}, changes);
  }
  // A column that StepWhere moves on: a record whose `field` holds from[i]
  // gets to[i] there. An empty `field` steps nothing.
  struct Step {
    std::string field;
    std::vector<Variant> from;
    std::vector<Variant> to;
  };
  // EditWhere that also steps one column, in the same statement: only a record
  // whose `step.field` holds one of `step.from` matches, and gets the `step.to`
  // at the same place. The database picks the pair from the record as it
  // stands when it writes it, after any write it waited for, so that writers
  // of one record queued behind each other each step it once.
  virtual bool StepWhere(const std::string& key_fields, const Variant& key_values,
                         const std::string& where_fields, const Variant& where_values,
                         const Step& step,
                         const std::vector<std::pair<std::string, Variant>>& changes);
  void Insert() override;
  void Edit() override;
  void Post() override;
  void Cancel() override;
  void First() override;
  void Next() override;
  bool Eof() const override;
  bool CanModify() const override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  std::string DisplayName() const override;

 private:
  struct Impl;
  struct Row;

  Connection& Live() const;
  void CheckActive() const;
  // What Open learns of the table: columns, identity, the SQL it reuses.
  // Raises EDatabaseError when the table does not exist.
  Impl Describe(Connection& connection, const std::string& table) const;
  // Locate's steps: the key values in key order (raises when their number is
  // not the number of key fields); the index of a field's column (raises when
  // there is none); the condition that `column` holds `value`, its parameter
  // appended to `params`; the order of the matches, its parameter appended;
  // the found row made current and kept in step with the browse list.
  std::vector<Variant> KeyValues(std::size_t count, const Variant& key_values) const;
  std::size_t ColumnIndex(const std::string& name) const;
  // The conditions `fields` = `values` (as Locate takes them) joined to
  // `where`; false when a value cannot be held by its column (nothing matches).
  bool AddKeyConditions(const Connection& connection, const std::string& fields,
                        const Variant& values, std::string& where,
                        std::vector<Variant>& params) const;
  std::string KeyCondition(const Connection& connection, const ColumnInfo& column,
                           const Variant& value, std::vector<Variant>& params) const;
  std::string FindOrder(std::vector<Variant>& params) const;
  void ShowFound(Row row);
  // A value between the database's form (UTF-8) and the fields' (engine text).
  Variant ToEngine(const Variant& value, const ColumnInfo& column) const;
  Variant ToDatabase(const Variant& value, const ColumnInfo& column) const;
  Row MakeRow(const std::vector<Variant>& values) const;
  std::vector<Variant> Shown(const Row& row) const;
  void ShowCurrent(Row row, std::vector<Variant> shown);
  void ShowNone();
  void LoadFields();
  void ReadAll();
  void StoreInList(const Row& row, bool insert);
  // The columns of the fields written since the record was read or made, in
  // field order; appends each one's value, in the database's form, to `params`.
  std::vector<const ColumnInfo*> ModifiedColumns(std::vector<Variant>& params) const;
  void PostInsert();
  void PostEdit();
  // The WHERE clause of an edit's optimistic check, its values appended to
  // `params`: the row's identity (or primary key) and the checked columns.
  std::string EditCheck(const Connection& connection, std::vector<Variant>& params) const;
  // Indexes of the columns CheckedFields names (every column when "").
  std::vector<std::size_t> CheckedColumns() const;
  // Runs a Post's INSERT or UPDATE ... RETURNING; a failure raises
  // EDatabaseError "<table>: <failure>: <the database's reason>".
  ResultRows WritePost(Connection& connection, const std::string& sql,
                       const std::vector<Variant>& params, const std::string& failure) const;
  // Shows the row a Post wrote back (`values` as RETURNING gave them) as the
  // current record, adds it to the browse list (`inserted`) or replaces the
  // current entry there, and returns to dsBrowse.
  void ShowPosted(const std::vector<Variant>& values, bool inserted);
  void ReadCurrentAgain();

  TDatabase* database_ = nullptr;
  std::string table_name_;
  bool read_only_ = false;
  std::string checked_fields_;
  std::unique_ptr<Impl> impl_;  // cursor, row identity and the values as read
};

}  // namespace qgen
