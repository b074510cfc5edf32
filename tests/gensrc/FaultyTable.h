// FaultyTable: a real TTable whose Edit and Post (EditWhere and StepWhere
// counting as a Post) can be made to fail, a given number of times after letting some
// through, and whose Post can run test code just before or after it (to let
// "another program" change the row at the worst moment). Everything else is
// the table's own behaviour.
#pragma once

#include <functional>
#include <utility>

#include "dataaccess/Table.h"
#include "framework/Exception.h"

namespace qgen::test {

class FaultyTable : public TTable {
 public:
  using TTable::TTable;

  // The next `times` calls of Edit, or of Post after letting `after` through,
  // raise EDatabaseError before reaching the table; a failed Post keeps the
  // change pending, as a real failure does.
  void FailEdit(int times) { edit_failures_ = times; }
  void FailPost(int times, int after = 0) {
    post_failures_ = times;
    post_passes_ = after;
  }

  // Runs once, just before the next Post reaches the table.
  std::function<void()> BeforeNextPost;
  // Runs after every Post that succeeded.
  std::function<void()> AfterPost;

  void Edit() override {
    Editing();
    TTable::Edit();
  }
  void Post() override {
    Posting([&] { TTable::Post(); });
  }
  bool StepWhere(const std::string& key_fields, const Variant& key_values,
                 const std::string& where_fields, const Variant& where_values, const Step& step,
                 const std::vector<std::pair<std::string, Variant>>& changes) override {
    Editing();
    bool written = false;
    Posting([&] {
      written =
          TTable::StepWhere(key_fields, key_values, where_fields, where_values, step, changes);
    });
    return written;
  }

 private:
  void Editing() {
    if (edit_failures_ > 0) {
      --edit_failures_;
      throw EDatabaseError("injected failure of Edit");
    }
  }
  template <typename Post>
  void Posting(Post post) {
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
    post();
    if (AfterPost)
      AfterPost();
  }

  int edit_failures_ = 0;
  int post_passes_ = 0;
  int post_failures_ = 0;
};

}  // namespace qgen::test
