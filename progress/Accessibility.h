#pragma once
// What assistive technology sees of the progress window's own painted widgets: a TGauge
// is a progress bar whose value is its progress within its range (its text value the
// percentage it paints), a TPathLabel a label whose name is its text.

namespace trawlix {

// Makes Qt's accessibility describe every TGauge and TPathLabel this way, from before
// a screen reader first asks; safe to call more than once.
void InstallProgressAccessibility();

}  // namespace trawlix
