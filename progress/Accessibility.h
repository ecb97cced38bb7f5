#pragma once
// What assistive technology sees of the progress window's own painted widgets: a TGauge
// is a progress bar whose value is its progress within its range (its text value the
// percentage it paints), a TPathLabel a label whose name is its text.
class TGauge;

// Makes Qt's accessibility describe every TGauge and TPathLabel this way; safe to call
// more than once.
void InstallProgressAccessibility();

// Tells a listening screen reader that the gauge's value changed.
void NotifyGaugeValue(TGauge* gauge);
