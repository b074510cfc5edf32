#include "designer/ComponentEditor.h"

namespace qgen {

TComponentEditor::TComponentEditor(TComponent& component, IDesigner& designer)
    : component_(&component), designer_(&designer) {}

void TComponentEditor::Edit() {
  if (GetVerbCount() > 0)
    ExecuteVerb(0);
}

void TComponentEditor::ExecuteVerb(int /*index*/) {}

std::string TComponentEditor::GetVerb(int /*index*/) const {
  return {};
}

int TComponentEditor::GetVerbCount() const {
  return 0;
}

void TComponentEditor::Copy() {}

void TComponentEditor::PrepareItem(int /*index*/, TMenuItemState& /*item*/) {}

}  // namespace qgen
