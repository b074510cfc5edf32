// TComponentEditor: what a form designer asks about a selected component for
// its context menu (the verbs) and for a double click (Edit). The designer
// creates one for the component when it needs it and frees it afterwards, so
// an editor keeps no state of its own. Descendants registered with
// RegisterComponentEditor add verbs; this base class has none.
#pragma once

#include <string>

namespace qgen {

class IDesigner;
class TComponent;

// How the designer is about to show one verb's menu item; PrepareItem may
// change it.
struct TMenuItemState {
  bool enabled = true;
  bool visible = true;
  bool checked = false;
};

class TComponentEditor {
 public:
  // An editor for `component` on the form that `designer` shows. Neither is owned.
  TComponentEditor(TComponent& component, IDesigner& designer);
  TComponentEditor(const TComponentEditor&) = delete;
  TComponentEditor& operator=(const TComponentEditor&) = delete;
  virtual ~TComponentEditor() = default;

  // The component being edited.
  TComponent* Component() const { return component_; }
  // The designer of the form that holds it.
  IDesigner* GetDesigner() const { return designer_; }

  // A double click on the component: runs verb 0 when there is one.
  virtual void Edit();
  // Runs verb `index` (0 .. GetVerbCount()-1); another index does nothing.
  virtual void ExecuteVerb(int index);
  // The menu text of verb `index` ('&' marks the accelerator); "" for another index.
  virtual std::string GetVerb(int index) const;
  // The number of verbs the context menu offers.
  virtual int GetVerbCount() const;
  // Called when the component is copied to the clipboard, to add formats of
  // its own; the base class adds none.
  virtual void Copy();
  // Called before verb `index` is shown, to enable, hide or check its item;
  // the base class leaves it as it is.
  virtual void PrepareItem(int index, TMenuItemState& item);

 private:
  TComponent* component_;
  IDesigner* designer_;
};

}  // namespace qgen
