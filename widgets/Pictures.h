#pragma once
// The program's pictures, from the resource file, with the style's standard icon standing
// in for any picture that the resource file does not hold.
#include <QIcon>
#include <QStyle>

namespace trawlix {

// The picture at resourcePath, with its own image for the disabled state when one is named.
QIcon Picture(const char* resourcePath, QStyle::StandardPixmap fallback,
              const char* disabledPath = nullptr);

inline QIcon FoldersPicture() {
  return Picture(":/icons/folders.svg", QStyle::SP_DirOpenIcon);
}
inline QIcon OkPicture() {
  return Picture(":/icons/ok.svg", QStyle::SP_DialogOkButton, ":/icons/ok-disabled.svg");
}
inline QIcon CancelPicture() {
  return Picture(":/icons/cancel.svg", QStyle::SP_DialogCancelButton,
                 ":/icons/cancel-disabled.svg");
}
inline QIcon AboutPicture() {
  return Picture(":/icons/about.svg", QStyle::SP_MessageBoxInformation);
}
inline QIcon ProgramPicture() {
  return Picture(":/icons/trawlix.svg", QStyle::SP_FileDialogContentsView);
}
inline QIcon ResultsPicture() {
  return Picture(":/icons/results.svg", QStyle::SP_FileDialogDetailedView);
}

}  // namespace trawlix
