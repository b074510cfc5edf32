#include "dataaccess/Table.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "dataaccess/Connection.h"
#include "framework/CodePage.h"
#include "framework/Exception.h"
#include "framework/Text.h"

namespace qgen {

// One row as the database holds it: text in UTF-8, plus the hidden identity.
struct TTable::Row {
  Variant id;
  std::vector<Variant> values;
};

namespace {

bool IsNumericType(TFieldType type) {
  return type == ftSmallint || type == ftInteger || type == ftLargeint || type == ftFloat ||
         type == ftBCD;
}

bool IsIntegerType(TFieldType type) {
  return type == ftSmallint || type == ftInteger || type == ftLargeint;
}

// True when `value` can equal no value of the column's kind: text that is no
// number, or a fraction, against a numeric or whole-number column.
bool CannotHold(const ColumnInfo& column, const Variant& value) {
  if (value.IsNull() || !IsNumericType(column.type))
    return false;
  double number = 0;
  try {
    number = value.ToDouble();
  } catch (const EConvertError&) {
    return true;
  }
  return IsIntegerType(column.type) && std::nearbyint(number) != number;
}

std::vector<std::string> SplitKeys(const std::string& list) {
  std::vector<std::string> names;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = list.find(';', start);
    const std::string_view name =
        std::string_view(list).substr(start, end == std::string::npos ? end : end - start);
    names.emplace_back(Trim(name, " "));
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  return names;
}

}  // namespace

struct TTable::Impl {
  std::vector<ColumnInfo> columns;          // names in UTF-8, as the database has them
  std::string identity;                     // hidden row identity ("rowid", "ctid") or ""
  std::string table_sql;                    // the quoted table name
  std::string list_sql;                     // "<identity>, <columns>"
  std::string select_sql;                   // "SELECT <list> FROM <table>"
  std::string order_sql;                    // " ORDER BY <identity>" or "": the natural order
  std::string find_order_sql;               // the order in which Locate takes the first match
  bool find_order_prefers_current = false;  // find_order_sql takes the current identity

  std::vector<Row> rows;  // the records of the last First, in order
  std::size_t pos = 0;    // index of the current record in `rows`
  bool eof = true;
  bool has_current = false;
  Row current;                 // the current record as read
  std::vector<Variant> shown;  // the same in engine text, as the fields show it
};

TTable::TTable(TComponent* owner) : TDataSet(owner), impl_(std::make_unique<Impl>()) {}

TTable::~TTable() {
  try {
    Close();
  } catch (...) {
    // A state-change handler that raises while the table goes away is ignored.
  }
}

std::string TTable::DisplayName() const {
  if (!Name().empty())
    return Name();
  return "Table '" + table_name_ + "'";
}

void TTable::SetDatabase(TDatabase* database) {
  if (database == database_)
    return;
  Close();
  if (database_)
    RemoveFreeNotification(database_);
  database_ = database;
  if (database_)
    FreeNotification(database_);
}

void TTable::SetTableName(const std::string& name) {
  if (name == table_name_)
    return;
  Close();
  table_name_ = name;
}

void TTable::Notification(TComponent* component, TOperation operation) {
  TDataSet::Notification(component, operation);
  if (operation == opRemove && database_ && component == database_) {
    // The connection goes with the database; Close does not touch it.
    Close();
    database_ = nullptr;
  }
}

Connection& TTable::Live() const {
  if (!database_)
    throw EDatabaseError(DisplayName() + ": no database is assigned");
  return database_->connection();
}

void TTable::CheckActive() const {
  if (!Active())
    throw EDatabaseError(DisplayName() + ": cannot perform this operation on a closed dataset");
}

Variant TTable::ToEngine(const Variant& value, const ColumnInfo& column) const {
  if (value.Type() == VarType::String && column.type != ftBlob) {
    try {
      return Variant(FromUtf8(value.ToString(), database_->CodePage()));
    } catch (const EConvertError& e) {
      throw EDatabaseError(DisplayName() + ", field '" + column.name + "': " + e.what());
    }
  }
  if (value.Type() == VarType::Integer && column.type == ftFloat) {
    return Variant(value.ToDouble());
  }
  return value;
}

Variant TTable::ToDatabase(const Variant& value, const ColumnInfo& column) const {
  if (value.Type() == VarType::String && column.type != ftBlob) {
    try {
      return Variant(ToUtf8(value.ToString(), database_->CodePage()));
    } catch (const EConvertError& e) {
      throw EDatabaseError(DisplayName() + ", field '" + column.name + "': " + e.what());
    }
  }
  return value;
}

void TTable::Open() {
  if (Active())
    return;
  if (!database_)
    throw EDatabaseError(DisplayName() + ": no database is assigned");
  if (table_name_.empty())
    throw EDatabaseError("Cannot open a table without a table name");
  database_->Open();
  Connection& connection = database_->connection();
  std::string table;
  try {
    table = ToUtf8(table_name_, database_->CodePage());
  } catch (const EConvertError& e) {
    throw EDatabaseError(DisplayName() + ": " + e.what());
  }
  Impl fresh = Describe(connection, table);
  ClearFields();
  try {
    for (ColumnInfo& column : fresh.columns) {
      std::string name;
      try {
        name = FromUtf8(column.name, database_->CodePage());
      } catch (const EConvertError& e) {
        throw EDatabaseError(DisplayName() + ": column name: " + e.what());
      }
      AddField(name, column.type, column.size);
    }
    *impl_ = std::move(fresh);
    ReadAll();
  } catch (...) {
    ClearFields();
    *impl_ = Impl();
    throw;
  }
  SetState(dsBrowse);
}

TTable::Impl TTable::Describe(Connection& connection, const std::string& table) const {
  Impl fresh;
  fresh.columns = connection.Columns(table);
  if (fresh.columns.empty()) {
    throw EDatabaseError("Table '" + table_name_ + "' does not exist in database " +
                         database_->DisplayURI() +
                         "; check the table name and the database, or create the table");
  }
  fresh.identity = connection.RowIdentity(table, fresh.columns);
  fresh.table_sql = Connection::Quote(table);
  std::string list = fresh.identity;
  std::string key;
  for (const ColumnInfo& column : fresh.columns) {
    list += (list.empty() ? "" : ", ") + Connection::Quote(column.name);
    if (column.primary_key)
      key += (key.empty() ? "" : ", ") + Connection::Quote(column.name);
  }
  fresh.list_sql = list;
  fresh.select_sql = "SELECT " + list + " FROM " + fresh.table_sql;
  if (!fresh.identity.empty())
    fresh.order_sql = " ORDER BY " + fresh.identity;
  // Of several rows that match, Locate takes the first in an order that the
  // row's own writes leave alone, so that locating and posting again and
  // again keeps to one row: the primary key, else an identity that stays
  // (SQLite's rowid). An identity that moves with every write (PostgreSQL's
  // ctid) would let the written row fall behind the others; there the row
  // this table shows comes first, by the identity its last read or write
  // returned, then the others in identity order.
  if (!key.empty()) {
    fresh.find_order_sql = " ORDER BY " + key;
  } else if (!fresh.identity.empty() && !connection.IdentityMovesOnWrite()) {
    fresh.find_order_sql = fresh.order_sql;
  } else if (!fresh.identity.empty()) {
    fresh.find_order_sql =
        " ORDER BY CASE WHEN " + fresh.identity + " = ? THEN 0 ELSE 1 END, " + fresh.identity;
    fresh.find_order_prefers_current = true;
  }
  return fresh;
}

void TTable::Close() {
  if (!Active())
    return;
  std::exception_ptr failure;
  try {
    // Data links let go of their fields here, before the fields are freed.
    SetState(dsInactive);
  } catch (...) {
    failure = std::current_exception();
  }
  ClearFields();
  *impl_ = Impl();
  if (failure)
    std::rethrow_exception(failure);
}

TTable::Row TTable::MakeRow(const std::vector<Variant>& values) const {
  Row row;
  std::size_t first = 0;
  if (!impl_->identity.empty()) {
    row.id = values.at(0);
    first = 1;
  }
  row.values.assign(values.begin() + static_cast<std::ptrdiff_t>(first), values.end());
  return row;
}

std::vector<Variant> TTable::Shown(const Row& row) const {
  std::vector<Variant> shown;
  shown.reserve(row.values.size());
  for (std::size_t i = 0; i < row.values.size(); ++i) {
    shown.push_back(ToEngine(row.values[i], impl_->columns[i]));
  }
  return shown;
}

void TTable::ShowCurrent(Row row, std::vector<Variant> shown) {
  impl_->current = std::move(row);
  impl_->shown = std::move(shown);
  impl_->has_current = true;
  LoadFields();
}

void TTable::ShowNone() {
  impl_->has_current = false;
  impl_->current = Row();
  impl_->shown.assign(impl_->columns.size(), Variant());
  LoadFields();
}

void TTable::LoadFields() {
  for (int i = 0; i < FieldCount(); ++i)
    Fields(i)->Load(impl_->shown[static_cast<std::size_t>(i)]);
}

void TTable::ReadAll() {
  const ResultRows result = Live().Run(impl_->select_sql + impl_->order_sql, {});
  std::vector<Row> rows;
  rows.reserve(result.rows.size());
  for (const auto& values : result.rows)
    rows.push_back(MakeRow(values));
  if (rows.empty()) {
    impl_->rows.clear();
    impl_->pos = 0;
    impl_->eof = true;
    ShowNone();
    return;
  }
  std::vector<Variant> shown = Shown(rows[0]);
  impl_->rows = std::move(rows);
  impl_->pos = 0;
  impl_->eof = false;
  ShowCurrent(impl_->rows[0], std::move(shown));
}

void TTable::First() {
  CheckActive();
  CheckNoPendingChange("move to the first record");
  ReadAll();
}

void TTable::Next() {
  CheckActive();
  CheckNoPendingChange("move to the next record");
  if (impl_->eof)
    return;
  const std::size_t next = impl_->has_current ? impl_->pos + 1 : impl_->pos;
  if (next >= impl_->rows.size()) {
    // Past the last record: Eof, and the last record stays current.
    impl_->eof = true;
    return;
  }
  std::vector<Variant> shown = Shown(impl_->rows[next]);
  impl_->pos = next;
  ShowCurrent(impl_->rows[next], std::move(shown));
}

bool TTable::Eof() const {
  return !Active() || impl_->eof;
}

bool TTable::CanModify() const {
  return Active() && !read_only_;
}

// Puts `row` where the browse list holds the current record, or adds it there.
void TTable::StoreInList(const Row& row, bool insert) {
  auto& rows = impl_->rows;
  if (insert || rows.empty()) {
    const std::size_t at = rows.empty() ? 0 : std::min(impl_->pos + 1, rows.size());
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(at), row);
    impl_->pos = at;
  } else if (impl_->pos < rows.size()) {
    rows[impl_->pos] = row;
  }
  impl_->eof = false;
}

bool TTable::Locate(const std::string& key_fields, const Variant& key_values) {
  CheckActive();
  CheckNoPendingChange("locate a record");
  Connection& connection = Live();
  std::string where;
  std::vector<Variant> params;
  if (!AddKeyConditions(connection, key_fields, key_values, where, params))
    return false;
  const std::string order = FindOrder(params);
  const ResultRows result =
      connection.Run(impl_->select_sql + " WHERE " + where + order + " LIMIT 1", params);
  if (result.rows.empty())
    return false;
  ShowFound(MakeRow(result.rows[0]));
  return true;
}

bool TTable::StepWhere(const std::string& key_fields, const Variant& key_values,
                       const std::string& where_fields, const Variant& where_values,
                       const Step& step,
                       const std::vector<std::pair<std::string, Variant>>& changes) {
  CheckActive();
  if (read_only_)
    throw EDatabaseError(DisplayName() + ": Cannot modify a read-only dataset");
  CheckNoPendingChange("edit a record");
  if (step.from.size() != step.to.size())
    throw EDatabaseError(DisplayName() + ": a step needs as many new values as old ones");
  if (!step.field.empty() && step.from.empty())
    return false;  // no value to step from: nothing matches
  Connection& connection = Live();
  std::string sets;
  std::vector<Variant> params;
  // The placeholders are numbered in the order they appear, so the
  // parameters are added in the order of the text.
  std::string stepped;
  std::vector<Variant> stepped_from;  // step.from as the database takes them
  if (!step.field.empty()) {
    const ColumnInfo& column = impl_->columns[ColumnIndex(step.field)];
    const std::string name = Connection::Quote(column.name);
    const std::string equal = connection.EqualValue(name, column, connection.StoredValue(column));
    sets = name + " = CASE";
    for (std::size_t i = 0; i < step.from.size(); ++i) {
      if (CannotHold(column, step.from[i]) || step.from[i].IsNull())
        throw EDatabaseError(DisplayName() + ": cannot step " + step.field +
                             " from a value the column cannot hold (null, or text in a number "
                             "column)");
      sets += " WHEN " + equal + " THEN " + connection.StoredValue(column);
      stepped_from.push_back(ToDatabase(step.from[i], column));
      params.push_back(stepped_from.back());
      params.push_back(ToDatabase(step.to[i], column));
    }
    sets += " END";
    for (std::size_t i = 0; i < step.from.size(); ++i)
      stepped += (i == 0 ? "(" : " OR ") + equal;
    stepped += ")";
  }
  for (const auto& [name, value] : changes) {
    const ColumnInfo& column = impl_->columns[ColumnIndex(name)];
    sets += (sets.empty() ? "" : ", ") + Connection::Quote(column.name) + " = " +
            connection.StoredValue(column);
    params.push_back(ToDatabase(value, column));
  }
  std::string where;
  if (!AddKeyConditions(connection, key_fields, key_values, where, params) ||
      !AddKeyConditions(connection, where_fields, where_values, where, params))
    return false;
  if (!stepped.empty()) {
    where += " AND " + stepped;
    params.insert(params.end(), stepped_from.begin(), stepped_from.end());
  }
  const ResultRows result = WritePost(connection,
                                      "UPDATE " + impl_->table_sql + " SET " + sets + " WHERE " +
                                          where + " RETURNING " + impl_->list_sql,
                                      params, "cannot post the change");
  if (result.rows.empty())
    return false;
  ShowFound(MakeRow(result.rows[0]));
  SetState(dsBrowse);
  return true;
}

bool TTable::AddKeyConditions(const Connection& connection, const std::string& fields,
                              const Variant& values, std::string& where,
                              std::vector<Variant>& params) const {
  const std::vector<std::string> names = SplitKeys(fields);
  const std::vector<Variant> held = KeyValues(names.size(), values);
  for (std::size_t k = 0; k < names.size(); ++k) {
    const ColumnInfo& column = impl_->columns[ColumnIndex(names[k])];
    // The database is not asked to compare a number with other text.
    if (CannotHold(column, held[k]))
      return false;
    where += (where.empty() ? "" : " AND ") + KeyCondition(connection, column, held[k], params);
  }
  return true;
}

std::vector<Variant> TTable::KeyValues(std::size_t count, const Variant& key_values) const {
  if (count == 1 && !key_values.IsArray())
    return {key_values};
  if (!key_values.IsArray() || key_values.ArraySize() != count) {
    throw EDatabaseError(
        DisplayName() + ": Locate got " + std::to_string(count) + " key fields but " +
        std::to_string(key_values.IsArray() ? key_values.ArraySize() : 1) + " values");
  }
  std::vector<Variant> values;
  for (std::size_t i = 0; i < count; ++i)
    values.push_back(key_values[i]);
  return values;
}

std::size_t TTable::ColumnIndex(const std::string& name) const {
  const TField* field = FieldByName(name);
  std::size_t index = 0;
  while (Fields(static_cast<int>(index)) != field)
    ++index;
  return index;
}

std::string TTable::KeyCondition(const Connection& connection, const ColumnInfo& column,
                                 const Variant& value, std::vector<Variant>& params) const {
  const std::string name = Connection::Quote(column.name);
  if (value.IsNull())
    return name + " IS NULL";
  params.push_back(ToDatabase(value, column));
  return connection.EqualValue(name, column, connection.StoredValue(column));
}

std::string TTable::FindOrder(std::vector<Variant>& params) const {
  if (impl_->find_order_prefers_current)
    params.push_back(impl_->has_current ? impl_->current.id : Variant());
  return impl_->find_order_sql;
}

void TTable::ShowFound(Row row) {
  std::vector<Variant> shown = Shown(row);
  // Keep the browse list in step when the record is in it.
  bool listed = false;
  if (!impl_->identity.empty()) {
    for (std::size_t i = 0; i < impl_->rows.size(); ++i) {
      if (impl_->rows[i].id == row.id) {
        impl_->rows[i] = row;
        impl_->pos = i;
        listed = true;
        break;
      }
    }
  }
  if (!listed) {
    impl_->rows.assign(1, row);
    impl_->pos = 0;
  }
  impl_->eof = false;
  ShowCurrent(std::move(row), std::move(shown));
}

void TTable::Insert() {
  CheckActive();
  if (read_only_)
    throw EDatabaseError(DisplayName() + ": Cannot modify a read-only dataset");
  CheckNoPendingChange("insert a record");
  for (int i = 0; i < FieldCount(); ++i)
    Fields(i)->Load(Variant());
  SetState(dsInsert);
  try {
    if (OnNewRecord)
      OnNewRecord(this);
  } catch (...) {
    // A new record whose set-up failed is dropped, and the former one shown.
    LoadFields();
    SetState(dsBrowse);
    throw;
  }
}

void TTable::Edit() {
  CheckActive();
  if (State() == dsEdit || State() == dsInsert)
    return;
  if (read_only_)
    throw EDatabaseError(DisplayName() + ": Cannot modify a read-only dataset");
  if (!impl_->has_current) {
    throw EDatabaseError(DisplayName() + ": cannot edit: there is no current record");
  }
  SetState(dsEdit);
}

void TTable::Cancel() {
  if (State() != dsEdit && State() != dsInsert)
    return;
  LoadFields();
  SetState(dsBrowse);
}

void TTable::Post() {
  CheckActive();
  if (State() == dsInsert) {
    PostInsert();
  } else if (State() == dsEdit) {
    PostEdit();
  }
}

std::vector<const ColumnInfo*> TTable::ModifiedColumns(std::vector<Variant>& params) const {
  std::vector<const ColumnInfo*> columns;
  for (int i = 0; i < FieldCount(); ++i) {
    const TField* field = Fields(i);
    if (!field->Modified())
      continue;
    const ColumnInfo& column = impl_->columns[static_cast<std::size_t>(i)];
    columns.push_back(&column);
    params.push_back(ToDatabase(field->Value(), column));
  }
  return columns;
}

void TTable::PostInsert() {
  Connection& connection = Live();
  std::string names;
  std::string stored;
  std::vector<Variant> params;
  // Columns never written keep the database's default.
  for (const ColumnInfo* column : ModifiedColumns(params)) {
    names += (names.empty() ? "" : ", ") + Connection::Quote(column->name);
    stored += (stored.empty() ? "" : ", ") + connection.StoredValue(*column);
  }
  const std::string sql =
      "INSERT INTO " + impl_->table_sql +
      (names.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + stored + ")") +
      " RETURNING " + impl_->list_sql;
  const ResultRows result = WritePost(connection, sql, params, "cannot post the new record");
  if (result.rows.empty()) {
    throw EDatabaseError(DisplayName() + ": the new record was not stored");
  }
  ShowPosted(result.rows[0], true);
}

void TTable::PostEdit() {
  Connection& connection = Live();
  std::string sets;
  std::vector<Variant> params;
  for (const ColumnInfo* column : ModifiedColumns(params)) {
    sets += (sets.empty() ? "" : ", ") + Connection::Quote(column->name) + " = " +
            connection.StoredValue(*column);
  }
  if (sets.empty()) {
    SetState(dsBrowse);
    return;
  }
  const std::string where = EditCheck(connection, params);
  const std::string sql = "UPDATE " + impl_->table_sql + " SET " + sets + " WHERE " + where +
                          " RETURNING " + impl_->list_sql;
  const ResultRows result = WritePost(connection, sql, params, "cannot post the change");
  if (result.rows.empty()) {
    // Another program changed (or deleted) the row since it was read: drop
    // the edit and show the row as it is now.
    try {
      ReadCurrentAgain();
    } catch (const Exception&) {
      LoadFields();
    }
    SetState(dsBrowse);
    throw EDatabaseError("Record changed by another user");
  }
  ShowPosted(result.rows[0], false);
}

std::vector<std::size_t> TTable::CheckedColumns() const {
  std::vector<std::size_t> indexes;
  if (checked_fields_.empty()) {
    for (std::size_t i = 0; i < impl_->columns.size(); ++i)
      indexes.push_back(i);
    return indexes;
  }
  for (const std::string& name : SplitKeys(checked_fields_))
    indexes.push_back(ColumnIndex(name));
  return indexes;
}

std::string TTable::EditCheck(const Connection& connection, std::vector<Variant>& params) const {
  // Optimistic concurrency: the row is written only where the checked columns
  // (every column by default) still hold the values read, so of two programs
  // that read the same row only the first one's write takes effect.
  const std::vector<std::size_t> checked = CheckedColumns();
  bool key_checked = !checked_fields_.empty();
  bool has_key = false;
  for (std::size_t i = 0; i < impl_->columns.size(); ++i) {
    if (!impl_->columns[i].primary_key)
      continue;
    has_key = true;
    if (std::find(checked.begin(), checked.end(), i) == checked.end())
      key_checked = false;
  }
  std::string where;
  if (!(has_key && key_checked) && !impl_->identity.empty()) {
    where = impl_->identity + " = ?";
    params.push_back(impl_->current.id);
  }
  for (const std::size_t i : checked) {
    const ColumnInfo& column = impl_->columns[i];
    const Variant& read = impl_->current.values[i];
    const std::string name = Connection::Quote(column.name);
    const std::string stored = connection.StoredValue(column);
    // A value read that is not NULL is compared with `=`: the same test, and
    // one that an index on the column serves (the key's, so that a write does
    // not scan a table holding many rows).
    where += (where.empty() ? "" : " AND ") + (read.IsNull()
                                                   ? connection.SameValue(name, column, stored)
                                                   : connection.EqualValue(name, column, stored));
    params.push_back(read);
  }
  return where;
}

ResultRows TTable::WritePost(Connection& connection, const std::string& sql,
                             const std::vector<Variant>& params, const std::string& failure) const {
  try {
    return connection.Write(sql, params);
  } catch (const EDatabaseError& e) {
    throw EDatabaseError(DisplayName() + ": " + failure + ": " + e.what(), e);
  }
}

void TTable::ShowPosted(const std::vector<Variant>& values, bool inserted) {
  Row row = MakeRow(values);
  std::vector<Variant> shown;
  try {
    shown = Shown(row);
  } catch (const EDatabaseError&) {
    // Stored, but the database changed it into text this code page cannot
    // show: keep showing what was written.
    for (int i = 0; i < FieldCount(); ++i)
      shown.push_back(Fields(i)->Value());
  }
  StoreInList(row, inserted);
  ShowCurrent(std::move(row), std::move(shown));
  SetState(dsBrowse);
}

void TTable::ReadCurrentAgain() {
  Connection& connection = Live();
  // Found again by its primary key as read (never null, and indexed), else by
  // its identity.
  std::string where;
  std::vector<Variant> params;
  for (std::size_t i = 0; i < impl_->columns.size(); ++i) {
    const ColumnInfo& column = impl_->columns[i];
    if (!column.primary_key || impl_->current.values[i].IsNull())
      continue;
    where += (where.empty() ? " WHERE " : " AND ") +
             connection.EqualValue(Connection::Quote(column.name), column,
                                   connection.StoredValue(column));
    params.push_back(impl_->current.values[i]);
  }
  if (where.empty() && !impl_->identity.empty()) {
    where = " WHERE " + impl_->identity + " = ?";
    params.push_back(impl_->current.id);
  }
  ResultRows result;
  if (!where.empty()) {
    result = connection.Run(impl_->select_sql + where + impl_->order_sql + " LIMIT 1", params);
  }
  if (result.rows.empty()) {
    // The row is gone: no record is current.
    if (impl_->pos < impl_->rows.size()) {
      impl_->rows.erase(impl_->rows.begin() + static_cast<std::ptrdiff_t>(impl_->pos));
    }
    impl_->eof = impl_->pos >= impl_->rows.size();
    ShowNone();
    return;
  }
  Row row = MakeRow(result.rows[0]);
  std::vector<Variant> shown = Shown(row);
  StoreInList(row, false);
  ShowCurrent(std::move(row), std::move(shown));
}

}  // namespace qgen
