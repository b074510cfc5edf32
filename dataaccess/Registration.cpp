#include "dataaccess/Registration.h"

#include "dataaccess/DataSource.h"
#include "dataaccess/Database.h"
#include "dataaccess/Table.h"
#include "framework/Exception.h"

namespace qgen {

void RegisterDataAccessClasses(TClassRegistry& registry) {
  if (registry.Find(typeid(TDatabase)))
    return;

  // The URI is a file path or a server URI, kept as UTF-8 as the system gives it.
  registry.Register<TDatabase>("TDatabase")
      .Text(
          "URI", [](const TDatabase& d) { return d.URI(); },
          [](TDatabase& d, const std::string& v) { d.SetURI(v); }, TextEncoding::Utf8)
      .Text(
          "CodePage", [](const TDatabase& d) { return d.CodePageSetting(); },
          [](TDatabase& d, const std::string& v) { d.SetCodePage(v); }, TextEncoding::Utf8)
      .Integer(
          "BusyTimeout", [](const TDatabase& d) { return d.BusyTimeout(); },
          [](TDatabase& d, std::int32_t v) {
            if (v < 0)
              throw Exception("BusyTimeout is in milliseconds and must not be negative");
            d.SetBusyTimeout(v);
          },
          5000);

  registry.Register<TTable>("TTable")
      .Reference<TDatabase>(
          "Database", "TDatabase", [](const TTable& t) { return t.Database(); },
          [](TTable& t, TDatabase* v) { t.SetDatabase(v); })
      .Text(
          "TableName", [](const TTable& t) { return t.TableName(); },
          [](TTable& t, const std::string& v) { t.SetTableName(v); })
      .Boolean(
          "ReadOnly", [](const TTable& t) { return t.ReadOnly(); },
          [](TTable& t, bool v) { t.SetReadOnly(v); });

  registry.Register<TDataSource>("TDataSource")
      .Reference<TDataSet>(
          "DataSet", "TDataSet", [](const TDataSource& s) { return s.DataSet(); },
          [](TDataSource& s, TDataSet* v) { s.SetDataSet(v); });
}

}  // namespace qgen
