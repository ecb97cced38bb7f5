#include "progress/Accessibility.h"

#include <QAccessibleWidget>

#include "progress/Gauges.h"
#include "progress/PathLabel.h"

namespace trawlix {

namespace {

class TGaugeAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit TGaugeAccessible(TGauge* gauge) : QAccessibleWidget(gauge, QAccessible::ProgressBar) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return QString::number(Gauge()->Percent()) + QLatin1Char('%');
    return QAccessibleWidget::text(t);
  }

  QVariant currentValue() const override { return Gauge()->Progress(); }
  QVariant minimumValue() const override { return Gauge()->MinValue(); }
  QVariant maximumValue() const override { return Gauge()->MaxValue(); }
  QVariant minimumStepSize() const override { return 1; }
  // The gauge shows progress; nobody sets it from outside.
  void setCurrentValue(const QVariant&) override {}

 private:
  TGauge* Gauge() const { return static_cast<TGauge*>(widget()); }
};

class TPathLabelAccessible : public QAccessibleWidget {
 public:
  explicit TPathLabelAccessible(TPathLabel* label)
      : QAccessibleWidget(label, QAccessible::StaticText) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return static_cast<TPathLabel*>(widget())->text();
    return QAccessibleWidget::text(t);
  }
};

QAccessibleInterface* ProgressFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("TGauge")) {
    return new TGaugeAccessible(static_cast<TGauge*>(object));
  }
  if (className == QLatin1String("TPathLabel")) {
    return new TPathLabelAccessible(static_cast<TPathLabel*>(object));
  }
  return nullptr;
}

}  // namespace

void InstallProgressAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(ProgressFactory);
    return true;
  }();
  (void)installed;
}

}  // namespace trawlix
