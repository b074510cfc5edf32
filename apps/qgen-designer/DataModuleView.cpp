#include "apps/qgen-designer/DataModuleView.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <exception>

#include "apps/qgen-designer/Palette.h"
#include "designer/Registration.h"
#include "framework/ClassRegistry.h"
#include "framework/Messages.h"

namespace qgen::designer {

namespace {

constexpr int kImage = 24;
constexpr int kCell = 80;  // width of a component's picture and name

std::string ClassNameOf(const TComponent& component) {
  const TClassInfo* info = Classes().ClassOf(component);
  return info ? info->Name() : std::string();
}

}  // namespace

void RunGuarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    MessageBox(error.what(), "qgen designer", MB_ICONERROR);
  }
}

DataModuleView::DataModuleView(FormDesigner& form, Palette& palette,
                               std::function<QPixmap(const std::string&)> image_of, QWidget* parent)
    : QWidget(parent), form_(form), palette_(palette), image_of_(std::move(image_of)) {
  setObjectName(QStringLiteral("DataModule"));
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
  QPalette colours = QWidget::palette();
  colours.setColor(QPalette::Window, Qt::white);
  setPalette(colours);
}

QRect DataModuleView::BoundsOf(const TComponent& component) const {
  const Position at = form_.PositionOf(component);
  return {at.x, at.y, kCell, kImage + 8 + fontMetrics().height()};
}

TComponent* DataModuleView::ComponentAt(const QPoint& point) const {
  const std::vector<TComponent*> components = form_.Components();
  // The last drawn lies on top.
  for (auto it = components.rbegin(); it != components.rend(); ++it) {
    if (BoundsOf(**it).contains(point))
      return *it;
  }
  return nullptr;
}

void DataModuleView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setPen(QColor(220, 220, 220));
  for (int x = 0; x < width(); x += 8)
    for (int y = 0; y < height(); y += 8)
      painter.drawPoint(x, y);
  for (TComponent* component : form_.Components()) {
    const QRect bounds = BoundsOf(*component);
    const std::string class_name = ClassNameOf(*component);
    QPixmap image = image_of_(class_name);
    if (image.isNull())
      image = DefaultImage(class_name);
    const QRect picture(bounds.x() + (kCell - kImage) / 2, bounds.y() + 2, kImage, kImage);
    painter.setPen(QColor(128, 128, 128));
    painter.setBrush(QColor(192, 192, 192));
    painter.drawRect(picture.adjusted(-2, -2, 1, 1));
    painter.drawPixmap(picture, image);
    const QRect caption(bounds.x(), picture.bottom() + 4, kCell, fontMetrics().height());
    painter.setPen(Qt::black);
    painter.drawText(
        caption, Qt::AlignHCenter | Qt::AlignTop,
        fontMetrics().elidedText(QString::fromStdString(component->Name()), Qt::ElideRight, kCell));
    if (form_.IsSelected(component)) {
      painter.setBrush(Qt::NoBrush);
      painter.setPen(QPen(QColor(0, 0, 128), 1, Qt::DashLine));
      painter.drawRect(bounds.adjusted(0, 0, -1, -1));
      // Grab handles at the corners, as on a designed form.
      painter.setBrush(QColor(0, 0, 128));
      for (const QPoint& corner :
           {bounds.topLeft(), bounds.topRight(), bounds.bottomLeft(), bounds.bottomRight()}) {
        painter.drawRect(QRect(corner - QPoint(2, 2), QSize(5, 5)));
      }
    }
  }
}

void DataModuleView::mousePressEvent(QMouseEvent* event) {
  setFocus();
  if (event->button() != Qt::LeftButton)
    return;
  const QPoint point = event->position().toPoint();
  if (const TComponentClass* armed = palette_.Armed()) {
    const TComponentClass cls = *armed;
    palette_.Disarm();
    const Position at{std::max(0, point.x() - kCell / 2), std::max(0, point.y() - kImage / 2)};
    RunGuarded([&] { form_.Place(cls, at); });
    return;
  }
  TComponent* component = ComponentAt(point);
  if (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) {
    if (component)
      form_.ToggleSelected(component);
    return;
  }
  if (!component || !form_.IsSelected(component))
    form_.Select(component);
  dragged_ = component;
  if (component) {
    const Position at = form_.PositionOf(*component);
    drag_offset_ = point - QPoint(at.x, at.y);
  }
}

void DataModuleView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragged_ || !(event->buttons() & Qt::LeftButton))
    return;
  const QPoint at = event->position().toPoint() - drag_offset_;
  form_.Move(*dragged_, {std::max(0, at.x()), std::max(0, at.y())});
}

void DataModuleView::mouseReleaseEvent(QMouseEvent* /*event*/) {
  dragged_ = nullptr;
}

void DataModuleView::mouseDoubleClickEvent(QMouseEvent* event) {
  dragged_ = nullptr;
  if (TComponent* component = ComponentAt(event->position().toPoint()))
    EditComponent(*component);
}

void DataModuleView::EditComponent(TComponent& component) {
  form_.Select(&component);
  RunGuarded([&] { form_.Watch([&] { GetComponentEditor(component, form_)->Edit(); }); });
}

std::unique_ptr<QMenu> DataModuleView::ContextMenu(TComponent& component) {
  if (!form_.IsSelected(&component))
    form_.Select(&component);
  auto menu = std::make_unique<QMenu>(this);
  menu->setObjectName(QStringLiteral("ComponentMenu"));
  // The editor lives as long as the menu whose verbs it runs.
  std::shared_ptr<TComponentEditor> editor = GetComponentEditor(component, form_);
  for (int i = 0; i < editor->GetVerbCount(); ++i) {
    TMenuItemState state;
    editor->PrepareItem(i, state);
    QAction* action = menu->addAction(QString::fromStdString(editor->GetVerb(i)));
    action->setEnabled(state.enabled);
    action->setVisible(state.visible);
    action->setCheckable(state.checked);
    action->setChecked(state.checked);
    QObject::connect(action, &QAction::triggered, this, [this, editor, i] {
      RunGuarded([&] { form_.Watch([&] { editor->ExecuteVerb(i); }); });
    });
  }
  if (editor->GetVerbCount() > 0)
    menu->addSeparator();
  QAction* remove = menu->addAction(QStringLiteral("Delete"));
  QObject::connect(remove, &QAction::triggered, this, [this] { form_.DeleteSelection(); });
  return menu;
}

void DataModuleView::contextMenuEvent(QContextMenuEvent* event) {
  TComponent* component = ComponentAt(event->pos());
  if (!component)
    return;
  std::unique_ptr<QMenu> menu = ContextMenu(*component);
  menu->exec(event->globalPos());
}

void DataModuleView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete) {
    form_.DeleteSelection();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace qgen::designer
