#include "tests/gensrc/FaultyTable.h"

#include <utility>

#include "framework/Exception.h"

namespace qgen::test {

void FaultyTable::Edit() {
  if (edit_failures_ > 0) {
    --edit_failures_;
    throw EDatabaseError("injected failure of Edit");
  }
  TTable::Edit();
}

void FaultyTable::Post() {
  if (post_passes_ > 0) {
    --post_passes_;
  } else if (post_failures_ > 0) {
    --post_failures_;
    throw EDatabaseError("injected failure of Post");
  }
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
