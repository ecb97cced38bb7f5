#pragma once
// Names that screen readers announce for controls whose caption does not say what they
// are: a list or gauge beside its label, a picture-only button.
class QLabel;
class QWidget;

namespace trawlix {

// Makes `label` the label of `control`: its buddy, which assistive technology reports as
// the labelling relation, and the control's accessible name, which item views and
// gauges do not take from a buddy on their own.
void LabelControl(QLabel* label, QWidget* control);

}  // namespace trawlix
