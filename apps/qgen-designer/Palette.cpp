#include "apps/qgen-designer/Palette.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>

#include "designer/Registration.h"
#include "framework/Text.h"

namespace qgen::designer {

namespace {

// A tool button that reports a double click.
class ToolButton : public QToolButton {
 public:
  using QToolButton::QToolButton;
  std::function<void()> on_double_click;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && on_double_click) {
      on_double_click();
      return;
    }
    QToolButton::mouseDoubleClickEvent(event);
  }
};

}  // namespace

QPixmap DefaultImage(const std::string& class_name) {
  QPixmap image(24, 24);
  image.fill(QColor(192, 192, 192));
  QPainter painter(&image);
  painter.setPen(Qt::black);
  painter.drawRect(1, 1, 21, 21);
  QString name = QString::fromStdString(class_name);
  if (name.size() > 1 && name[0] == 'T')
    name.remove(0, 1);
  // The capitals (DataSource: DS), or the first two letters when there is one.
  QString initials;
  for (QChar c : name) {
    if (c.isUpper())
      initials += c;
  }
  if (initials.size() < 2)
    initials = name;
  QFont font = painter.font();
  font.setPixelSize(9);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QRect(1, 1, 22, 22), Qt::AlignCenter, initials.left(2));
  return image;
}

Palette::Palette(std::function<QPixmap(const std::string&)> image_of, QWidget* parent)
    : QTabWidget(parent), image_of_(std::move(image_of)) {
  setObjectName(QStringLiteral("Palette"));
  setDocumentMode(true);
}

void Palette::Disarm() {
  armed_ = nullptr;
  for (QToolButton* tool : findChildren<QToolButton*>())
    tool->setChecked(false);
}

void Palette::ShowPage(const std::string& name) {
  const std::vector<TPalettePage>& pages = DesignRegistry().Pages();
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (CompareText(pages[i].name, name) == 0)
      setCurrentIndex(static_cast<int>(i));
  }
}

QToolButton* Palette::Tool(const std::string& name) const {
  return findChild<QToolButton*>(QString::fromStdString("Tool_" + name));
}

void Palette::Rebuild() {
  const int shown = currentIndex();
  armed_ = nullptr;
  while (count() > 0) {
    QWidget* page = widget(0);
    removeTab(0);
    delete page;
  }
  for (const TPalettePage& page : DesignRegistry().Pages()) {
    auto* tab = new QWidget(this);
    tab->setObjectName(QString::fromStdString("Page_" + page.name));
    auto* row = new QHBoxLayout(tab);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(2);
    for (const TComponentClass& cls : page.classes) {
      auto* tool = new ToolButton(tab);
      const QString name = QString::fromStdString(cls.Name());
      tool->setObjectName(QStringLiteral("Tool_") + name);
      QPixmap image = image_of_(cls.Name());
      if (image.isNull())
        image = DefaultImage(cls.Name());
      tool->setIcon(QIcon(image));
      tool->setIconSize(QSize(24, 24));
      tool->setToolTip(name);
      tool->setCheckable(true);
      tool->setAutoRaise(true);
      const TComponentClass* armed = &cls;
      QObject::connect(tool, &QToolButton::clicked, this, [this, tool, armed](bool checked) {
        Disarm();
        tool->setChecked(checked);
        armed_ = checked ? armed : nullptr;
      });
      tool->on_double_click = [this, armed] {
        Disarm();
        if (on_place_now)
          on_place_now(*armed);
      };
      row->addWidget(tool);
    }
    row->addStretch(1);
    addTab(tab, QString::fromStdString(page.name));
  }
  if (shown >= 0 && shown < count())
    setCurrentIndex(shown);
}

}  // namespace qgen::designer
