#pragma once
// The two persistent settings and how they are stored.

#include <string>

namespace host {

inline constexpr const char* kSection = "Saver";
inline constexpr const char* kKeyConf = "Conf";
inline constexpr const char* kKeySpeed = "Speed";
inline constexpr const char* kSettingsFileName = "ミルカド.ini";

inline constexpr int kDefaultSpeed = 1;

// Conf is a drill mask (a drill's bit is its place in the registry,
// stage::conf_bit; by default every registered drill's), Speed 1..3.
// Both are kept as read: a mask without any drill bit or a speed out of range
// stays in force (playback decides what it means).
struct Settings {
  int conf = 0;
  int speed = 0;
};

// Numbers are stored as decimal text with one leading blank for values >= 0
// and a minus sign otherwise: 7 -> " 7", -3 -> "-3".
std::string format_profile_number(int value);

}  // namespace host
