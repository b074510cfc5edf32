// DataModuleView: the data module as the designer program shows it: each
// component as its palette image with its name below, selected ones framed.
// A click selects (Ctrl+click adds or removes), a click with an armed palette
// tool places a component, a drag moves one, a double click runs the
// component editor's Edit, the context menu offers the editor's verbs, and
// Delete frees the selection. Errors that editors raise are shown, never
// passed to Qt.
#pragma once

#include <QMenu>
#include <QPixmap>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "apps/qgen-designer/FormDesigner.h"

namespace qgen::designer {

class Palette;

class DataModuleView : public QWidget {
 public:
  DataModuleView(FormDesigner& form, Palette& palette,
                 std::function<QPixmap(const std::string&)> image_of, QWidget* parent);

  // The component whose picture or name is at `point`, or nullptr.
  TComponent* ComponentAt(const QPoint& point) const;
  // The rectangle that `component` takes up.
  QRect BoundsOf(const TComponent& component) const;

  // The context menu of `component` (which is selected first): its editor's
  // verbs, each prepared by PrepareItem, then "Delete". The caller owns it.
  std::unique_ptr<QMenu> ContextMenu(TComponent& component);
  // A double click on `component`: its component editor's Edit.
  void EditComponent(TComponent& component);

  QSize sizeHint() const override { return {520, 360}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  FormDesigner& form_;
  Palette& palette_;
  std::function<QPixmap(const std::string&)> image_of_;
  TComponent* dragged_ = nullptr;
  QPoint drag_offset_;
};

// Runs `action`, showing what it raises in an error box instead of passing it on.
void RunGuarded(const std::function<void()>& action);

}  // namespace qgen::designer
