#include "widgets/AccessibleNames.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace trawlix {

void LabelControl(QLabel* label, QWidget* control) {
  label->setBuddy(control);
  control->setAccessibleName(label->text());
  // An editable combo box's field is a control of its own, reached with the keyboard.
  if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->lineEdit()) {
    combo->lineEdit()->setAccessibleName(label->text());
  }
}

}  // namespace trawlix
