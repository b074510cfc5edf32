// Opening the mask edit dialog on three texts, as the design-time editors do:
// create the dialog, fill in the mask and the two limits, show it modally and
// on OK take the three texts back. Callers that hold a component write the
// texts into it themselves.
#pragma once

#include <string>

namespace qgen {

// A mask and its start and end values, in the engine's code page.
struct MaskTexts {
  std::string mask;
  std::string start_value;
  std::string end_value;
};

// Shows a fresh TEMskDlg on `texts` modally. Returns true when it was closed
// with OK, and then `texts` holds the dialog's mask, start value and end value;
// returns false (and leaves `texts` as they were) when it was cancelled. Needs a
// QApplication; raises EConvertError when a text cannot be shown or read back
// in the code page.
bool EditMaskTexts(MaskTexts& texts);

}  // namespace qgen
