#include "ui/ValueLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QStyle>
#include <QTimer>

namespace vantrel {
namespace {

// Name: the caption. Text, description and value: the value shown. The
// description carries it for readers that speak an object's name and
// description and never ask for its text.
class ValueLabelAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit ValueLabelAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value || kind == QAccessible::Description) return Value();
    return QAccessibleWidget::text(kind);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    return state;
  }

  // Read-only text without a caret or selection.
  void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = offset;
    return QString();
  }

  QString text(int startOffset, int endOffset) const override {
    const QString value = Value();
    if (startOffset < 0 || endOffset < startOffset || startOffset > value.size()) return QString();
    return value.mid(startOffset, endOffset - startOffset);
  }
  int characterCount() const override { return static_cast<int>(Value().size()); }

  // Where the characters are drawn, for readers that follow the pointer.
  QRect characterRect(int offset) const override {
    const QString value = Value();
    if (offset < 0 || offset >= value.size()) return QRect();
    const QFontMetrics metrics(label()->font());
    const QRect drawn = QStyle::alignedRect(label()->layoutDirection(), label()->alignment(),
                                            metrics.size(0, value), label()->contentsRect());
    const int left = drawn.left() + metrics.horizontalAdvance(value.left(offset));
    const QRect rect(left, drawn.top(), metrics.horizontalAdvance(value.at(offset)), metrics.height());
    return QRect(label()->mapToGlobal(rect.topLeft()), rect.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    for (int offset = 0; offset < characterCount(); ++offset)
      if (characterRect(offset).contains(point)) return offset;
    return -1;
  }

 private:
  QLabel* label() const { return static_cast<QLabel*>(widget()); }
  QString Value() const { return label()->text(); }
};

QAccessibleInterface* MakeValueLabelAccessible(const QString& className, QObject* object) {
  if (className == QLatin1String(TValueLabel::staticMetaObject.className()) && object)
    return new ValueLabelAccessible(static_cast<QLabel*>(object));
  return nullptr;
}

}  // namespace

TValueLabel::TValueLabel(QLabel* caption, QWidget* parent) : QLabel(parent) {
  static const bool installed = (QAccessible::installFactory(MakeValueLabelAccessible), true);
  (void)installed;
  setAccessibleName(caption->text().section(QLatin1Char(':'), 0, 0).trimmed());
  // The caption labels the value (a "labelled by" relation); it has no
  // mnemonic, so this changes nothing on screen or at the keyboard.
  caption->setBuddy(this);
}

void TValueLabel::SetValue(const QString& value) {
  if (text() == value) return;
  // With a name set, QLabel itself announces nothing of a new text.
  setText(value);
  if (!QAccessible::isActive()) {
    announced_ = value;
    return;
  }
  if (!announce_) {
    announce_ = new QTimer(this);
    announce_->setSingleShot(true);
    connect(announce_, &QTimer::timeout, this, &TValueLabel::Announce);
  }
  if (!announce_->isActive()) announce_->start(kAnnounceMs);
}

void TValueLabel::Announce() {
  const QString value = text();
  if (value == announced_) return;
  QAccessibleTextUpdateEvent textChanged(this, 0, announced_, value);
  QAccessible::updateAccessibility(&textChanged);
  // Readers that keep descriptions fetch it again.
  QAccessibleEvent descriptionChanged(this, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&descriptionChanged);
  announced_ = value;
}

}  // namespace vantrel
