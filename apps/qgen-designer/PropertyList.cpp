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
  TPropertyEditor& editor = *target;
  const TPropertyAttributes attributes = editor.GetAttributes();
  const QString name = QString::fromStdString(editor.GetName());

  if (attributes & paValueList) {
    auto* combo = new QComboBox;
    combo->setObjectName(QStringLiteral("Value_") + name);
    combo->setEditable(!(attributes & paReadOnly));
    QStringList values;
    RunGuarded([&] {
      for (const std::string& value : editor.GetValues())
        values << QString::fromStdString(value);
    });
    if (attributes & paSortList)
      values.sort(Qt::CaseInsensitive);
    values.prepend(QString());  // none, for references
    if (editor.GetPropInfo().kind != PropertyKind::Component)
      values.removeFirst();
    combo->addItems(values);
    combo->setCurrentText(Shown(editor));
    QObject::connect(combo, &QComboBox::textActivated, this,
                     [this, target](const QString& text) { Write(*target, text.toStdString()); });
    return combo;
  }

  auto* edit = new QLineEdit(Shown(editor));
  edit->setObjectName(QStringLiteral("Value_") + name);
  edit->setFrame(false);
  edit->setReadOnly(attributes & paReadOnly);
  if (!(attributes & paReadOnly)) {
    QObject::connect(edit, &QLineEdit::editingFinished, this, [this, target, edit] {
      if (edit->isModified())
        Write(*target, edit->text().toStdString());
    });
  }
  if (!(attributes & paDialog))
    return edit;

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
