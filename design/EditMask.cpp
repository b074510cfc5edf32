#include "design/EditMask.h"

#include <utility>

#include "design/GenDlg.h"

namespace qgen {

bool EditMaskTexts(MaskTexts& texts) {
  TEMskDlg dialog;
  dialog.Edit1->SetText(texts.mask);
  dialog.svEdit->SetText(texts.start_value);
  dialog.evEdit->SetText(texts.end_value);
  if (dialog.ShowModal() != mrOk)
    return false;
  MaskTexts result{dialog.Edit1->Text(), dialog.svEdit->Text(), dialog.evEdit->Text()};
  texts = std::move(result);
  return true;
}

}  // namespace qgen
