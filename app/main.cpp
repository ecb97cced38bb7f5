// Trawlix: finds a word or phrase in the text files of a list of folders.
#include <cstdio>
#include <exception>

#include "app/StartUp.h"
#include "app/frmmainunit.h"
#include "util/OpenFileLimit.h"
#include "util/StringBuilderUnit.h"
#include "util/errors.h"
#include "widgets/ErrorReport.h"

using namespace trawlix;

int main(int argc, char** argv) {
  RaiseOpenFileLimit();
  // An error that stops the start-up is printed, and no window is created.
  try {
    if (!UnitTest()) throw Exception("TStringBuilder failed unit test.");
    if (!DisplayAvailable()) {
      std::fputs(NoDisplayMessage, stderr);
      return 1;
    }
    TApplication application(argc, argv);
    CreateWindows();
    frmMain->show();
    const int status = application.exec();
    DestroyWindows();
    return status;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
