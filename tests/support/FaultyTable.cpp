#include "tests/support/FaultyTable.h"

#include <utility>

#include "framework/Exception.h"

namespace qgen::test {

bool FaultyTable::Due(int& passes, int& failures) {
  if (failures == 0)
    return false;
  if (passes > 0) {
    --passes;
    return false;
  }
  --failures;
  return true;
}

void FaultyTable::Edit() {
  if (Due(edit_passes_, edit_failures_))
    throw EDatabaseError("injected failure of Edit");
  TTable::Edit();
}

void FaultyTable::Post() {
  if (Due(post_passes_, post_failures_))
    throw EDatabaseError("injected failure of Post");
  if (BeforeNextPost) {
    auto hook = std::move(BeforeNextPost);
    BeforeNextPost = nullptr;
    hook();
  }
  TTable::Post();
  if (AfterPost)
    AfterPost();
}

}  // namespace qgen::test
