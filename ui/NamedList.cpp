#include "ui/NamedList.h"

#include <QAccessible>
#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QVariant>

namespace vantrel {
namespace {

constexpr char kNamedProperty[] = "vantrelNamedList";

class NamedListAccessible : public QAccessibleWidget {
 public:
  explicit NamedListAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name) return list()->accessibleName();
    if (kind == QAccessible::Value) return list()->currentText();
    return QAccessibleWidget::text(kind);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = list()->isEditable();
    state.expandable = true;
    state.expanded = list()->view()->isVisible();
    return state;
  }

  QStringList actionNames() const override {
    return QAccessibleWidget::actionNames() << QAccessibleActionInterface::showMenuAction();
  }
  void doAction(const QString& action) override {
    if (action == QAccessibleActionInterface::showMenuAction())
      list()->showPopup();
    else
      QAccessibleWidget::doAction(action);
  }

 private:
  QComboBox* list() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* MakeNamedListAccessible(const QString& className, QObject* object) {
  if (className != QLatin1String("QComboBox") || !object || !object->property(kNamedProperty).toBool())
    return nullptr;
  return new NamedListAccessible(static_cast<QComboBox*>(object));
}

}  // namespace

void SetListName(QComboBox* list, const QString& name) {
  static const bool installed = (QAccessible::installFactory(MakeNamedListAccessible), true);
  (void)installed;
  list->setProperty(kNamedProperty, true);
  // The list's events while it was being filled may have made Qt's own
  // interface for it already; the next reader's question gets this one.
  if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(list))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
  list->setAccessibleName(name);
}

}  // namespace vantrel
