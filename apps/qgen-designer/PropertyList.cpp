#include "apps/qgen-designer/PropertyList.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "apps/qgen-designer/DataModuleView.h"
#include "designer/Registration.h"

namespace qgen::designer {

namespace {

QString Shown(const TPropertyEditor& editor) {
  try {
    // Several components with different values show none.
    if (!editor.AllEqual())
      return {};
    return QString::fromStdString(editor.GetValue());
  } catch (const std::exception& error) {
    return QStringLiteral("(cannot be shown: %1)").arg(QString::fromUtf8(error.what()));
  }
}

// The Name row: the component's name, typed in. It is no published property
// (a form file keeps the name beside them), and the form checks a new one.
class NameEditor : public TStringProperty {
 public:
  NameEditor(FormDesigner& form, TComponent& component)
      : TStringProperty(form, {&component}, Info()), form_(form) {}

  // Names differ, so the row is never shared by several components.
  TPropertyAttributes GetAttributes() const override { return paRevertable; }
  void SetValue(const std::string& value) override { form_.Rename(*GetComponent(0), value); }

 private:
  static const TPropertyInfo& Info() {
    static const TPropertyInfo info = [] {
      TPropertyInfo name;
      name.name = "Name";
      name.type_name = "TComponentName";
      name.encoding = TextEncoding::Utf8;
      name.get_text = [](const TComponent& component) { return component.Name(); };
      return name;
    }();
    return info;
  }

  FormDesigner& form_;
};

}  // namespace

PropertyList::PropertyList(FormDesigner& form, QWidget* parent)
    : QTableWidget(0, 2, parent), form_(form) {
  setObjectName(QStringLiteral("PropertyList"));
  setHorizontalHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
  horizontalHeader()->setStretchLastSection(true);
  verticalHeader()->hide();
  setSelectionMode(QAbstractItemView::NoSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void PropertyList::RefreshLater() {
  if (refresh_pending_)
    return;
  refresh_pending_ = true;
  QTimer::singleShot(0, this, [this] {
    if (refresh_pending_)
      Refresh();
  });
}

void PropertyList::Refresh() {
  refresh_pending_ = false;
  // The old value widgets may be on the call stack (a signal that led here):
  // they are deleted later. Each holds its editor until then.
  for (int row = 0; row < rowCount(); ++row) {
    if (QWidget* widget = cellWidget(row, 1)) {
      removeCellWidget(row, 1);
      widget->deleteLater();
    }
  }
  editors_.clear();
  if (form_.Selection().size() == 1)
    editors_.push_back(std::make_shared<NameEditor>(form_, *form_.Selection().front()));
  RunGuarded([&] {
    for (auto& editor : GetPropertyEditors(form_.Selection(), form_))
      editors_.push_back(std::move(editor));
  });
  setRowCount(static_cast<int>(editors_.size()));
  int row = 0;
  for (const auto& editor : editors_) {
    setItem(row, 0, new QTableWidgetItem(QString::fromStdString(editor->GetName())));
    setCellWidget(row, 1, ValueWidget(editor));
    ++row;
  }
  resizeColumnToContents(0);
}

QWidget* PropertyList::ValueWidget(const std::shared_ptr<TPropertyEditor>& target) {
  const TPropertyAttributes attributes = target->GetAttributes();
  if (attributes & paValueList)
    return ListWidget(target);
  QLineEdit* edit = TextWidget(target);
  return attributes & paDialog ? WithEllipsis(target, edit) : edit;
}

QWidget* PropertyList::ListWidget(const std::shared_ptr<TPropertyEditor>& target) {
  TPropertyEditor& editor = *target;
  auto* combo = new QComboBox;
  combo->setObjectName(QString::fromStdString("Value_" + editor.GetName()));
  combo->setEditable(!(editor.GetAttributes() & paReadOnly));
  QStringList values;
  RunGuarded([&] {
    for (const std::string& value : editor.GetValues())
      values << QString::fromStdString(value);
  });
  if (editor.GetAttributes() & paSortList)
    values.sort(Qt::CaseInsensitive);
  if (editor.GetPropInfo().kind == PropertyKind::Component)
    values.prepend(QString());  // none
  combo->addItems(values);
  combo->setCurrentText(Shown(editor));
  QObject::connect(combo, &QComboBox::textActivated, this,
                   [this, target](const QString& text) { Write(*target, text.toStdString()); });
  return combo;
}

QLineEdit* PropertyList::TextWidget(const std::shared_ptr<TPropertyEditor>& target) {
  const bool read_only = target->GetAttributes() & paReadOnly;
  auto* edit = new QLineEdit(Shown(*target));
  edit->setObjectName(QString::fromStdString("Value_" + target->GetName()));
  edit->setFrame(false);
  edit->setReadOnly(read_only);
  if (!read_only) {
    QObject::connect(edit, &QLineEdit::editingFinished, this, [this, target, edit] {
      if (edit->isModified())
        Write(*target, edit->text().toStdString());
    });
  }
  return edit;
}

QWidget* PropertyList::WithEllipsis(const std::shared_ptr<TPropertyEditor>& target,
                                    QLineEdit* edit) {
  const QString name = QString::fromStdString(target->GetName());
  auto* box = new QWidget;
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(edit, 1);
  auto* ellipsis = new QToolButton(box);
  ellipsis->setObjectName(QStringLiteral("Ellipsis_") + name);
  ellipsis->setText(QStringLiteral("..."));
  ellipsis->setToolTip(QStringLiteral("Edit ") + name);
  row->addWidget(ellipsis);
  QObject::connect(ellipsis, &QToolButton::clicked, this, [this, target] {
    RunGuarded([&] { form_.Watch([&] { target->Edit(); }); });
    RefreshLater();
  });
  return box;
}

void PropertyList::Write(TPropertyEditor& editor, const std::string& text) {
  RunGuarded([&] {
    if (editor.AllEqual() && editor.GetValue() == text)
      return;
    form_.Watch([&] { editor.SetValue(text); });
  });
  RefreshLater();
}

std::vector<std::string> PropertyList::Names() const {
  std::vector<std::string> names;
  for (const auto& editor : editors_)
    names.push_back(editor->GetName());
  return names;
}

int PropertyList::RowOf(const std::string& name) const {
  for (std::size_t i = 0; i < editors_.size(); ++i) {
    if (editors_[i]->GetName() == name)
      return static_cast<int>(i);
  }
  return -1;
}

TPropertyEditor* PropertyList::Editor(const std::string& name) const {
  const int row = RowOf(name);
  return row < 0 ? nullptr : editors_[static_cast<std::size_t>(row)].get();
}

QWidget* PropertyList::ValueWidget(const std::string& name) const {
  const int row = RowOf(name);
  return row < 0 ? nullptr : cellWidget(row, 1);
}

std::string PropertyList::ShownValue(const std::string& name) const {
  QWidget* widget = ValueWidget(name);
  if (!widget)
    return {};
  if (auto* combo = qobject_cast<QComboBox*>(widget))
    return combo->currentText().toStdString();
  auto* edit = qobject_cast<QLineEdit*>(widget);
  if (!edit)
    edit = widget->findChild<QLineEdit*>();
  return edit ? edit->text().toStdString() : std::string();
}

QToolButton* PropertyList::Ellipsis(const std::string& name) const {
  QWidget* widget = ValueWidget(name);
  return widget ? widget->findChild<QToolButton*>(QString::fromStdString("Ellipsis_" + name))
                : nullptr;
}

}  // namespace qgen::designer
