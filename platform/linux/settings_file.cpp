#include "platform/linux/settings_file.hpp"

#include "host/settings.hpp"

namespace linux_host {

std::string settings_file_path() {
  const std::optional<std::string> folder = config_folder();
  return folder ? *folder + "/" + host::kSettingsFileName : std::string();
}

int SettingsFile::read_int(const std::string& section, const std::string& key,
                           int default_value) const {
  if (path_.empty()) return default_value;
  // A file too big reads as the rules read it: past the limit, as empty.
  const FileContent content = read_bounded(path_, host::profile::kMaxSize);
  return host::profile::read_int(content.text, section, key, default_value);
}

bool SettingsFile::write_string(const std::string& section, const std::string& key,
                                const std::string& value, std::string* error) const {
  const host::profile::Entry entry{key, value};
  return write_strings(section, {&entry, 1}, error);
}

bool SettingsFile::write_strings(const std::string& section,
                                 std::span<const host::profile::Entry> entries,
                                 std::string* error) const {
  return update_kept_file(
      path_, {host::profile::kMaxSize, temporaries_},
      [&](const FileContent& content) {
        if (content.unreadable) return FileUpdate{FileUpdate::Kind::Write, {}, {}};
        // A text past the size limit gives none: the file is refused, kept.
        const auto updated = host::profile::write_strings(content.text, section, entries);
        if (!updated)
          return FileUpdate{FileUpdate::Kind::Refuse,
                            {},
                            "the settings would make the file larger than " +
                                std::to_string(host::profile::kMaxSize) + " bytes"};
        return FileUpdate{FileUpdate::Kind::Write, *updated, {}};
      },
      error);
}

}  // namespace linux_host
