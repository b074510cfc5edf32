// FormDesigner: the form being designed: its root data module and the
// components on it in design mode, where each one sits, which are selected,
// the form file and whether the form has changed since it was opened or saved.
// It is the IDesigner the editors talk to. The windows of the designer program
// show it and listen to it; it knows nothing of Qt.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "designer/ComponentClass.h"
#include "designer/Designer.h"
#include "framework/Component.h"

namespace qgen::designer {

struct Position {
  int x = 0;
  int y = 0;
};

class FormDesigner : public IDesigner {
 public:
  // A new, empty form: a TDataModule named DataModule1, unchanged.
  FormDesigner();
  FormDesigner(const FormDesigner&) = delete;
  FormDesigner& operator=(const FormDesigner&) = delete;
  ~FormDesigner() override;

  // IDesigner: marks the form as changed and tells the listeners.
  void Modified() override;
  TComponent* Root() const override { return root_.get(); }

  bool IsModified() const { return modified_; }
  // The form file, "" until the form is saved or opened.
  const std::string& FileName() const { return file_; }

  // Starts a new, empty form (the current one is dropped without a question).
  void New();
  // Reads the form file at `path` in design mode: nothing is opened. Event
  // properties may name the qgen tool's handlers (UserOption, SuffixOption).
  // Raises EFormError with the reader's message; the current form then stays.
  void Open(const std::string& path);
  // Writes the form to `path` (its form file from then on) and clears the
  // changed mark. Raises EFormError; the form then stays changed.
  void Save(const std::string& path);

  // Creates a component of `cls` on the form in design mode, named after its
  // class (TGenerator -> Generator1, Generator2, ...), at `where`; selects it
  // alone and marks the form as changed.
  TComponent& Place(const TComponentClass& cls, Position where);
  // Place at the next cell of the grid that opened forms are laid out on.
  TComponent& Place(const TComponentClass& cls);
  // Renames `component` (of this form) and marks the form as changed; the
  // same name does nothing. Raises Exception, renaming nothing, for a name
  // that is not an identifier (a letter or an underscore, then letters,
  // digits and underscores) or that another component of the form has
  // (ASCII case-insensitively; the data module's name counts).
  void Rename(TComponent& component, const std::string& name);
  // Frees the selected components; marks the form as changed when there were any.
  void DeleteSelection();

  // The components of the form, in creation order.
  std::vector<TComponent*> Components() const;
  Position PositionOf(const TComponent& component) const;
  void Move(const TComponent& component, Position where);

  const std::vector<TComponent*>& Selection() const { return selection_; }
  // Selects `component` alone (nullptr: nothing).
  void Select(TComponent* component);
  // Adds `component` to the selection or takes it out.
  void ToggleSelected(TComponent* component);
  bool IsSelected(const TComponent* component) const;

  // Runs `edit` (an editor's action that may change components without
  // calling Modified) and marks the form as changed when the components'
  // stored properties differ afterwards. What `edit` raises passes out, after
  // the check.
  void Watch(const std::function<void()>& edit);

  // Called after every change of the form, its mark or its selection.
  std::function<void()> on_changed;
  // Called when the form is replaced (New, Open).
  std::function<void()> on_replaced;

 private:
  void Reset(std::unique_ptr<TComponent> root, const std::string& file);
  void LayOut();
  void Changed();
  // The form as its file would hold it, or "" when it cannot be written.
  std::string Snapshot() const;

  std::unique_ptr<TComponent> root_;
  std::string file_;
  bool modified_ = false;
  std::vector<TComponent*> selection_;
  std::map<const TComponent*, Position> positions_;
};

}  // namespace qgen::designer
