#pragma once
// A file the programs keep for the user (the viewer's progress, the saver's
// settings), as the core sees it: the host gives one over its own file
// system (a file with a lock beside it on Linux and Windows). Everything a
// viewer changes goes through update(), which reads what is stored now,
// under a lock that other processes of the same user respect, and publishes
// the changed text atomically; so two viewers running at once merge their
// changes instead of each overwriting the other's from memory.

#include <functional>
#include <optional>
#include <string>

namespace host {

// What the store holds now.
struct StoredText {
  enum class State {
    Missing,     // nothing is stored yet
    Text,        // `text` is the whole content
    Unreadable,  // something is there that cannot be read (no permission, a
                 // folder, a device): never overwritten
    TooBig,      // a regular file far bigger than any content of ours: damaged
  };
  State state = State::Missing;
  std::string text;
};

// What an update does with what it read.
struct StoreChange {
  enum class Kind {
    Leave,          // nothing to write
    Write,          // publish `text`
    SetAsideWrite,  // keep the stored content under another name first (it
                    // could not be read), then publish `text`
  };
  Kind kind = Kind::Leave;
  std::string text;
};

class KeptStore {
 public:
  virtual ~KeptStore() = default;
  // Reads the current content without a lock (a start-up look).
  virtual StoredText read() = 0;
  // Under the lock: reads the content, asks `change` what to do with it and
  // does it. False when it could not (no lock, a write failed, a file that
  // is read-only or not the user's); error() then says why in one line.
  virtual bool update(const std::function<StoreChange(const StoredText&)>& change) = 0;
  // Why the last update failed; the name the last set-aside gave the old
  // content.
  virtual std::string error() const = 0;
  virtual std::string set_aside_name() const = 0;
};

}  // namespace host
