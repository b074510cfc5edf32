// Palette: the component palette of the designer program: one tab for each
// page registered with the designer, one tool button for each class on it,
// showing the class's palette image. Choosing a tool arms it: the next click
// on the data module places a component of that class there.
#pragma once

#include <QPixmap>
#include <QTabWidget>
#include <QToolButton>
#include <functional>
#include <string>

#include "designer/ComponentClass.h"

namespace qgen::designer {

class Palette : public QTabWidget {
 public:
  // `image_of` gives the palette image of a class (a null pixmap when it has none).
  Palette(std::function<QPixmap(const std::string&)> image_of, QWidget* parent);

  // Builds the tabs anew from DesignRegistry(), keeping the page shown.
  void Rebuild();
  // Shows the page `name` (ASCII case-insensitive); nothing when there is none.
  void ShowPage(const std::string& name);

  // The armed class, or nullptr.
  const TComponentClass* Armed() const { return armed_; }
  void Disarm();

  // The tool button of the class `name` (object name "Tool_<name>"), or nullptr.
  QToolButton* Tool(const std::string& name) const;

  // Called when a tool is double-clicked: place one at once.
  std::function<void(const TComponentClass&)> on_place_now;

 private:
  std::function<QPixmap(const std::string&)> image_of_;
  const TComponentClass* armed_ = nullptr;
};

// A picture for a class without a palette image: its initials on a frame.
QPixmap DefaultImage(const std::string& class_name);

}  // namespace qgen::designer
