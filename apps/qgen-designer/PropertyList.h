// PropertyList: the designer program's list of the selected components'
// published properties, one row per property editor (GetPropertyEditors),
// after a Name row when one component is selected (renamed through
// FormDesigner::Rename): the name, and the value as the editor's attributes
// ask: a drop-down list for a value list, an edit with an ellipsis button
// ("...") for a dialog, a read-only text, or a plain edit. A typed value is
// written when the edit is left or Enter is pressed. Errors are shown, never
// passed to Qt.
#pragma once

#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>
#include <memory>
#include <string>
#include <vector>

#include "apps/qgen-designer/FormDesigner.h"
#include "designer/PropertyEditor.h"

namespace qgen::designer {

class PropertyList : public QTableWidget {
 public:
  PropertyList(FormDesigner& form, QWidget* parent);

  // Lists the properties of the current selection anew. Changes arrive while
  // a value's own widget is busy, so callers ask for it with RefreshLater.
  void Refresh();
  // Refresh on the next turn of the event loop.
  void RefreshLater();

  // The names of the listed properties, in order.
  std::vector<std::string> Names() const;
  // The row of property `name`, or -1.
  int RowOf(const std::string& name) const;
  // The widget that shows the value of property `name`, or nullptr.
  QWidget* ValueWidget(const std::string& name) const;
  // The value as the row shows it.
  std::string ShownValue(const std::string& name) const;
  // The ellipsis button of property `name`, or nullptr when it has none.
  QToolButton* Ellipsis(const std::string& name) const;
  // The editor of property `name`, or nullptr.
  TPropertyEditor* Editor(const std::string& name) const;

  QSize sizeHint() const override { return {260, 360}; }

 private:
  // The widget of a row, as the editor's attributes ask: a drop-down list, or
  // a text edit (with an ellipsis button for a dialog).
  QWidget* ValueWidget(const std::shared_ptr<TPropertyEditor>& editor);
  QWidget* ListWidget(const std::shared_ptr<TPropertyEditor>& editor);
  QLineEdit* TextWidget(const std::shared_ptr<TPropertyEditor>& editor);
  QWidget* WithEllipsis(const std::shared_ptr<TPropertyEditor>& editor, QLineEdit* edit);
  // Writes `text` through `editor` unless it is what the editor shows already.
  void Write(TPropertyEditor& editor, const std::string& text);

  FormDesigner& form_;
  std::vector<std::shared_ptr<TPropertyEditor>> editors_;
  bool refresh_pending_ = false;
};

}  // namespace qgen::designer
