// The Linux settings writer on arbitrary files: read, change a key (or the
// dialog's two), write, read back. The file then holds what was written and
// everything else it held, never grows past the size limit, and no temporary
// file stays beside it; a refused write leaves the file's bytes as they were.

#include <dirent.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/linux/settings_file.hpp"
#include "profile_checks.hpp"

namespace profile = host::profile;

namespace {

// One folder for the whole run, in memory where possible; kept alive until
// the exit handler that removes it has run.
const std::string& folder() {
  static const std::string* const path = [] {
    auto* pattern = new std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    *pattern += "/mirukado-fuzz-XXXXXX";
    if (mkdtemp(pattern->data()) == nullptr) std::abort();
    std::atexit([] { std::system(("rm -rf '" + folder() + "'").c_str()); });
    return pattern;
  }();
  return *path;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool only_the_file_in(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (!d) return false;
  int others = 0;
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    others += name != "." && name != ".." && name != "settings.ini";
  }
  closedir(d);
  return others == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = fuzz::settings_text(data, size);
  const std::string path = folder() + "/settings.ini";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
  }
  const linux_host::SettingsFile file(path);
  const int speed = file.read_int("Saver", "Speed", -1);
  const int other = file.read_int("Other", "Conf", -1);

  // Odd sizes write one key, even sizes the dialog's two in one change.
  const bool both = size % 2 == 0;
  const profile::Entry ok[] = {{"Conf", " 5"}, {"Speed", " 3"}};
  const bool written =
      both ? file.write_strings("Saver", ok) : file.write_string("Saver", "Conf", " 5");
  const std::string now = slurp(path);
  if (!only_the_file_in(folder())) __builtin_trap();
  if (!written) {
    const std::size_t growth = both ? 2 * fuzz::kMaxGrowth : fuzz::kMaxGrowth;
    if (now != text || text.size() + growth <= profile::kMaxSize) __builtin_trap();
    return 0;
  }
  if (now.size() > profile::kMaxSize || file.read_int("Saver", "Conf", 0) != 5 ||
      file.read_int("Other", "Conf", -1) != other ||
      file.read_int("Saver", "Speed", -1) != (both ? 3 : speed))
    __builtin_trap();
  if (!both && !fuzz::changed_in_one_line(text, now, fuzz::kMaxGrowth)) __builtin_trap();
  return 0;
}
