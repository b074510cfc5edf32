#include "gensrc/GeneratorRegistration.h"

#include "dataaccess/DataSource.h"
#include "framework/Exception.h"
#include "gensrc/Generator.h"

namespace qgen {

namespace {

// A limit longer than a TmString holds would be cut short without a word.
TmString Limit(const std::string& value) {
  if (value.size() > TmString::kMaxLength) {
    throw Exception("A limit holds at most " + std::to_string(TmString::kMaxLength) +
                    " characters; this one has " + std::to_string(value.size()));
  }
  return TmString(value);
}

}  // namespace

void RegisterGeneratorClasses(TClassRegistry& registry) {
  if (registry.Find(typeid(TGenerator)))
    return;
  registry.Register<TGenerator>("TGenerator")
      .Text(
          "Mask", [](const TGenerator& g) { return g.Mask(); },
          [](TGenerator& g, const std::string& v) { g.SetMask(v); })
      .Reference<TDataSource>(
          "DataSource", "TDataSource", [](const TGenerator& g) { return g.DataSource(); },
          [](TGenerator& g, TDataSource* v) { g.FSetDataSource(v); })
      .Text(
          "StartValue", [](const TGenerator& g) { return g.StartValue().str(); },
          [](TGenerator& g, const std::string& v) { g.SetStartValue(Limit(v)); })
      .Text(
          "EndValue", [](const TGenerator& g) { return g.EndValue().str(); },
          [](TGenerator& g, const std::string& v) { g.SetEndValue(Limit(v)); })
      .Integer(
          "GeneratorType", [](const TGenerator& g) { return g.GeneratorType; },
          [](TGenerator& g, std::int32_t v) { g.GeneratorType = v; }, 0)
      .EventProperty("GetUserPrefixes", "TGenProcEvent", &TGenerator::GetUserPrefixes)
      .EventProperty("OnOverFlowMask", "TGOverFlowEvent", &TGenerator::OnOverFlowMask)
      .EventProperty("OnSubOverMask", "TGOverFlowEvent", &TGenerator::OnSubOverMask)
      .EventProperty("OnNewRecord", "TOnNewRecord", &TGenerator::OnNewRecord)
      .EventProperty("OnUndoFailed", "TGOverFlowEvent", &TGenerator::OnUndoFailed);
}

}  // namespace qgen
