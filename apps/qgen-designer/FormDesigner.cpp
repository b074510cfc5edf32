#include "apps/qgen-designer/FormDesigner.h"

#include <algorithm>

#include "framework/DataModule.h"
#include "framework/Exception.h"
#include "framework/FormFile.h"
#include "framework/Text.h"
#include "unikey/StandardHandlers.h"

namespace qgen::designer {

namespace {

// Where the n-th component goes when no place is chosen (an opened form, whose
// file keeps no positions, or a double-clicked palette tool): a grid.
Position GridPosition(int n) {
  constexpr int kColumns = 5;
  return {24 + (n % kColumns) * 96, 24 + (n / kColumns) * 80};
}

// A designer runs no handler: stand-ins for the ones qgen's programs offer.
THandlerRegistry DesignTimeHandlers() {
  return StandardHandlers([](TObject*, TmString&) {}, [](TObject*, std::string&) {});
}

bool IsIdentifier(const std::string& name) {
  auto letter = [](char c) { return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (name.empty() || !letter(name.front()))
    return false;
  return std::all_of(name.begin(), name.end(),
                     [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

std::unique_ptr<TComponent> NewRoot() {
  auto root = std::make_unique<TDataModule>(nullptr);
  root->SetName("DataModule1");
  root->SetDesigning(true);
  return root;
}

}  // namespace

FormDesigner::FormDesigner() : root_(NewRoot()) {}

FormDesigner::~FormDesigner() = default;

void FormDesigner::Modified() {
  modified_ = true;
  Changed();
}

void FormDesigner::Changed() {
  if (on_changed)
    on_changed();
}

void FormDesigner::Reset(std::unique_ptr<TComponent> root, const std::string& file) {
  selection_.clear();
  positions_.clear();
  root_ = std::move(root);
  file_ = file;
  modified_ = false;
  LayOut();
  if (on_replaced)
    on_replaced();
  Changed();
}

void FormDesigner::New() {
  Reset(NewRoot(), "");
}

void FormDesigner::Open(const std::string& path) {
  TFormOptions options;
  options.designing = true;
  // A form that names a handler other than the tool's is refused by the
  // reader, with a message that names the event.
  std::unique_ptr<TComponent> root = LoadForm(path, DesignTimeHandlers(), options);
  root->SetDesigning(true);
  Reset(std::move(root), path);
}

void FormDesigner::Save(const std::string& path) {
  SaveForm(path, *root_);
  file_ = path;
  modified_ = false;
  Changed();
}

TComponent& FormDesigner::Place(const TComponentClass& cls, Position where) {
  std::string base = cls.Name();
  if (base.size() > 1 && (base[0] == 'T' || base[0] == 't'))
    base.erase(0, 1);
  std::string name;
  for (int n = 1;; ++n) {
    name = base + std::to_string(n);
    if (!root_->FindComponent(name))
      break;
  }
  TComponent* component = cls.info->Create(root_.get());
  component->SetName(name);
  component->SetDesigning(true);
  positions_[component] = where;
  selection_ = {component};
  Modified();
  return *component;
}

TComponent& FormDesigner::Place(const TComponentClass& cls) {
  return Place(cls, GridPosition(static_cast<int>(Components().size())));
}

void FormDesigner::Rename(TComponent& component, const std::string& name) {
  if (name == component.Name())
    return;
  if (!IsIdentifier(name)) {
    throw Exception("\"" + name +
                    "\" is not a valid component name: begin it with a letter or an underscore "
                    "and use only letters, digits and underscores");
  }
  const TComponent* holder = root_->FindComponent(name);
  if ((holder && holder != &component) || CompareText(root_->Name(), name) == 0) {
    throw Exception("The form already has a component named \"" + name + "\"; choose another name");
  }
  component.SetName(name);
  Modified();
}

void FormDesigner::DeleteSelection() {
  if (selection_.empty())
    return;
  const std::vector<TComponent*> doomed = selection_;
  selection_.clear();
  for (TComponent* component : doomed) {
    positions_.erase(component);
    delete component;  // leaves its owner, which tells the others
  }
  Modified();
}

std::vector<TComponent*> FormDesigner::Components() const {
  std::vector<TComponent*> components;
  for (int i = 0; i < root_->ComponentCount(); ++i)
    components.push_back(root_->Components(i));
  return components;
}

Position FormDesigner::PositionOf(const TComponent& component) const {
  auto it = positions_.find(&component);
  return it == positions_.end() ? Position{} : it->second;
}

void FormDesigner::Move(const TComponent& component, Position where) {
  positions_[&component] = where;
  Changed();
}

void FormDesigner::Select(TComponent* component) {
  selection_.clear();
  if (component)
    selection_.push_back(component);
  Changed();
}

void FormDesigner::ToggleSelected(TComponent* component) {
  auto it = std::find(selection_.begin(), selection_.end(), component);
  if (it == selection_.end())
    selection_.push_back(component);
  else
    selection_.erase(it);
  Changed();
}

bool FormDesigner::IsSelected(const TComponent* component) const {
  return std::find(selection_.begin(), selection_.end(), component) != selection_.end();
}

void FormDesigner::LayOut() {
  int n = 0;
  for (TComponent* component : Components())
    positions_[component] = GridPosition(n++);
}

std::string FormDesigner::Snapshot() const {
  try {
    return WriteForm(*root_);
  } catch (const Exception&) {
    return {};
  }
}

void FormDesigner::Watch(const std::function<void()>& edit) {
  const std::string before = Snapshot();
  const bool was_modified = modified_;
  auto check = [&] {
    // Nothing to do when the edit marked the form itself.
    if (modified_ && !was_modified)
      return;
    const std::string after = Snapshot();
    if (after.empty() || after != before)
      Modified();
  };
  try {
    edit();
  } catch (...) {
    check();
    throw;
  }
  check();
}

}  // namespace qgen::designer
