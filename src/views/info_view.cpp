#include "views/info_view.hpp"

#include <cmath>
#include <mutex>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>

namespace {

// A screen reader cannot read hand-drawn text, so the panel speaks as one
// static text whose name is the model's label.
class InfoViewAccessible : public QAccessibleWidget {
 public:
  explicit InfoViewAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::StaticText) {}
};

QAccessibleInterface* infoViewAccessibleFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("InfoView") && object && object->isWidgetType()) {
    return new InfoViewAccessible(static_cast<QWidget*>(object));
  }
  return nullptr;
}

void installAccessibleFactory() {
  static std::once_flag once;
  std::call_once(once, [] { QAccessible::installFactory(infoViewAccessibleFactory); });
}

}  // namespace

InfoView::InfoView(QWidget* parent) : QWidget(parent), appearance_(currentAppearance()) {
  installAccessibleFactory();
  setAutoFillBackground(false);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  measured_ = QSize(int(InfoLayout::minWidth), 1);
  resize(measured_);
}

PanelLook InfoView::look() const {
  return PanelLook{panelFonts(menuFont()), panelColours(palette(), appearance_)};
}

bool InfoView::update(const Shown& shown, bool checkColumn, bool menuOpen) {
  shown_ = shown;
  inset_ = InfoLayout::leftInset(checkColumn);
  const QSizeF size = InfoLayout::run(shown, inset_, look());

  measured_ = QSize(int(std::ceil(size.width())), int(std::ceil(size.height())));
  const QSize wanted(menuOpen ? std::max(measured_.width(), this->width()) : measured_.width(),
                     measured_.height());

  setAccessibleName(QString::fromStdString(infoAccessibilityLabel(shown)));
  QWidget::update();

  if (this->size() == wanted) return false;
  resize(wanted);
  updateGeometry();
  return true;
}

void InfoView::setAppearance(Appearance appearance) {
  if (appearance_ == appearance) return;
  appearance_ = appearance;
  QWidget::update();
}

QSize InfoView::sizeHint() const {
  return measured_;
}

void InfoView::paintEvent(QPaintEvent*) {
  if (!shown_) return;
  QPainter painter(this);
  InfoLayout::run(*shown_, inset_, look(), InfoLayout::Canvas{&painter, double(width())});
}

void InfoView::mousePressEvent(QMouseEvent* event) {
  event->accept();
}
void InfoView::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
}
void InfoView::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
}
