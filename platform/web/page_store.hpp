#pragma once
// The learner's progress on the page: the record under one localStorage key
// (a host::KeptStore over the page's store object), and what the page's
// earlier stores kept, read for the record to carry in.

#include <emscripten/val.h>

#include <string>

#include "host/kept_store.hpp"
#include "viewer/progress.hpp"

namespace web {

// The learner's progress record under one localStorage key, its value
// exactly the desktop viewers' file's text. The page hands in a small store
// object (page.js) whose calls catch every storage error: read() gives the
// text, null when there is none, false when storage cannot be read (disabled,
// blocked); write(text) and setAside() give "" or the error's name, and
// setAside() copies the value as stored to KEY.bad-DATE and gives that name.
// A page's script runs alone and localStorage answers at once, so the read,
// the change and the write inside one update() are the lock.
class LocalStore final : public host::KeptStore {
 public:
  explicit LocalStore(emscripten::val store) : store_(std::move(store)) {}

  host::StoredText read() override {
    const emscripten::val text = store_.call<emscripten::val>("read");
    if (text.isNull()) return {};
    if (!text.isString()) return {host::StoredText::State::Unreadable, {}};
    std::string content = text.as<std::string>();
    if (content.size() > viewer::kMaxProgressBytes) return {host::StoredText::State::TooBig, {}};
    return {host::StoredText::State::Text, std::move(content)};
  }

  bool update(const std::function<host::StoreChange(const host::StoredText&)>& change) override {
    const host::StoreChange c = change(read());
    if (c.kind == host::StoreChange::Kind::Leave) return true;
    // The old value is copied before anything replaces it: no room for the
    // copy, no write.
    if (c.kind == host::StoreChange::Kind::SetAsideWrite) {
      const emscripten::val aside = store_.call<emscripten::val>("setAside");
      if (!aside.isString() || aside.as<std::string>().empty()) {
        error_ = "no room to keep the old value";
        return false;
      }
      aside_ = aside.as<std::string>();
    }
    error_ = store_.call<std::string>("write", c.text);
    return error_.empty();
  }

  std::string error() const override { return error_; }
  std::string set_aside_name() const override { return aside_; }

 private:
  emscripten::val store_;
  std::string error_;
  std::string aside_;
};

// The page's earlier stores as page.js found them: a list of { drill, role,
// scores: [[position, known, asked], ...] }, the more recent store first,
// the values as stored (anything at all). What the record can hold of them.
viewer::LearnerProgress earlier_progress(const emscripten::val& found);

}  // namespace web
