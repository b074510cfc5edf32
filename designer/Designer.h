// IDesigner: what a form designer offers the editors of a form it shows. The
// component and property editors reach it through GetDesigner (Designer) and
// tell it that the form changed; the designer then marks the form as changed
// and refreshes what it shows of it.
#pragma once

namespace qgen {

class TComponent;

class IDesigner {
 public:
  virtual ~IDesigner() = default;

  // Marks the form that holds the edited components as changed. Called on the
  // designer's thread, after the change has been made.
  virtual void Modified() = 0;

  // The root of the form (its data module).
  virtual TComponent* Root() const = 0;
};

}  // namespace qgen
