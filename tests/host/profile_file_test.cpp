#include "host/profile_file.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

namespace profile = host::profile;

struct ReadCase {
  const char* text;
  int expected;  // read_int(text, "Saver", "Conf", 99)
};

class ProfileReadTest : public testing::TestWithParam<ReadCase> {};

TEST_P(ProfileReadTest, ReadsLikePrivateProfileInt) {
  EXPECT_EQ(profile::read_int(GetParam().text, "Saver", "Conf", 99), GetParam().expected)
      << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ProfileReadTest,
    testing::Values(ReadCase{"", 99}, ReadCase{"[Saver]\n", 99}, ReadCase{"[Saver]\nConf=5\n", 5},
                    ReadCase{"[saver]\nCONF=5\n", 5},
                    ReadCase{"  [ Saver ]  \n  Conf  =  5  \n", 5},
                    ReadCase{"[Saver]\nConf= 7\n", 7}, ReadCase{"[Saver]\nConf=7abc\n", 7},
                    ReadCase{"[Saver]\nConf=abc\n", 0}, ReadCase{"[Saver]\nConf=-3\n", 0},
                    ReadCase{"[Saver]\nConf=0\n", 0}, ReadCase{"[Saver]\nConf=+4\n", 4},
                    ReadCase{"[Saver]\nConf=\n", 99}, ReadCase{"[Saver]\nConf=\"6\"\n", 6},
                    ReadCase{"[Saver]\nConf=99999999999\n", 2147483647},
                    ReadCase{"[Saver]\r\nConf=3\r\n", 3},
                    ReadCase{"\xEF\xBB\xBF[Saver]\nConf=3", 3},
                    ReadCase{"Conf=1\n[Saver]\nSpeed=2\n", 99},  // outside any section
                    ReadCase{"[Other]\nConf=1\n[Saver]\nConf=2\n", 2},
                    ReadCase{"[Saver]\nConf=1\n[Saver]\nConf=2\n", 1},  // first section wins
                    ReadCase{"[Saver]\nConf=1\nConf=2\n", 1},           // first key wins
                    ReadCase{"[Saver]\n;Conf=1\nConf=2\n", 2}, ReadCase{"[Saver\nConf=1\n", 99},
                    ReadCase{"[Saver]\nConfx=1\n", 99}, ReadCase{"[Saver]\n=1\nConf=4", 4}));

TEST(ProfileRead, OversizedTextReadsAsEmpty) {
  std::string text = "[Saver]\nConf=5\n";
  text.append(profile::kMaxSize, ';');
  EXPECT_EQ(profile::read_int(text, "Saver", "Conf", 0), 0);
}

struct WriteCase {
  const char* before;
  const char* key;
  const char* after;
};

class ProfileWriteTest : public testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWriteTest, WritesAndKeepsEverythingElse) {
  const auto out = profile::write_string(GetParam().before, "Saver", GetParam().key, " 7");
  ASSERT_TRUE(out.has_value());
  EXPECT_EQ(*out, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ProfileWriteTest,
    testing::Values(
        WriteCase{"", "Conf", "[Saver]\nConf= 7\n"},
        WriteCase{"[Saver]\nConf=0\nSpeed=2\n", "Conf", "[Saver]\nConf= 7\nSpeed=2\n"},
        WriteCase{"; mine\n[a]\nx=1\n\n[SAVER]\n  conf = 3 ; c\nSpeed=2\n\n[b]\ny=2\n", "Conf",
                  "; mine\n[a]\nx=1\n\n[SAVER]\n  conf= 7\nSpeed=2\n\n[b]\ny=2\n"},
        // A missing key goes after the section's last entry, before the blank line.
        WriteCase{"[Saver]\nConf=1\n\n[b]\ny=2\n", "Speed",
                  "[Saver]\nConf=1\nSpeed= 7\n\n[b]\ny=2\n"},
        WriteCase{"[Saver]", "Speed", "[Saver]\nSpeed= 7\n"},
        WriteCase{"[Saver]\r\nConf=1\r\n", "Speed", "[Saver]\r\nConf=1\r\nSpeed= 7\r\n"},
        WriteCase{"[Saver]\r\nConf=1", "Conf", "[Saver]\r\nConf= 7"},
        WriteCase{"[x]\ny=1", "Conf", "[x]\ny=1\n[Saver]\nConf= 7\n"},
        WriteCase{"\xEF\xBB\xBF"
                  "Conf=1\n",
                  "Conf",
                  "\xEF\xBB\xBF"
                  "Conf=1\n[Saver]\nConf= 7\n"},
        WriteCase{"[Saver]\nConf=1\n[Saver]\nConf=2\n", "Conf",
                  "[Saver]\nConf= 7\n[Saver]\nConf=2\n"}));

TEST(ProfileWrite, RefusesOversizedTextAndLineBreaks) {
  std::string big(profile::kMaxSize + 1, 'x');
  EXPECT_FALSE(profile::write_string(big, "Saver", "Conf", " 7").has_value());
  EXPECT_FALSE(profile::write_string("", "Saver", "Conf", " 7\n[x]").has_value());
  EXPECT_FALSE(profile::write_string("", "Sa\nver", "Conf", " 7").has_value());
}

// Several keys go in as one change: in order, each as a single write would
// put it, bounded on the final text only.
TEST(ProfileWrite, WritesSeveralKeysInOrderWithinTheSizeLimit) {
  const profile::Entry entries[] = {{"Conf", " 3"}, {"Speed", " 2"}};
  EXPECT_EQ(profile::write_strings("", "Saver", entries), "[Saver]\nConf= 3\nSpeed= 2\n");
  EXPECT_EQ(profile::write_strings("[saver]\r\nspeed=1\r\n", "Saver", entries),
            "[saver]\r\nspeed= 2\r\nConf= 3\r\n");

  // Conf grows by 10 bytes and then shrinks by 10: only the end result counts.
  const std::string head = "[Saver]\nConf=1\n;";
  const std::string full = head + std::string(profile::kMaxSize - head.size() - 1, 'x') + "\n";
  const profile::Entry grow_then_shrink[] = {{"Conf", "12345678901"}, {"Conf", "1"}};
  EXPECT_EQ(profile::write_strings(full, "Saver", grow_then_shrink), full);
  const profile::Entry grow[] = {{"Conf", "1"}, {"Conf", "12"}};
  EXPECT_FALSE(profile::write_strings(full, "Saver", grow).has_value());
  EXPECT_FALSE(profile::write_string(full, "Saver", "Conf", "12").has_value());
}

// Whatever bytes a damaged file holds, a write must read back as written and
// leave the other bytes of the text in place.
TEST(ProfileWrite, GarbageTextReadsBackWhatWasWritten) {
  std::mt19937 rng(20261207);
  const std::string alphabet = std::string("[]=;\r\n \t\"saverSAVERconfCONF0123456789-+") +
                               std::string(1, '\0') + "\xEF\xBB\xBF\xFF";
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int n = static_cast<int>(rng() % 200);
    for (int i = 0; i < n; ++i) text += alphabet[rng() % alphabet.size()];
    const auto out = profile::write_string(text, "Saver", "Conf", " 5");
    ASSERT_TRUE(out.has_value());
    ASSERT_EQ(profile::read_int(*out, "Saver", "Conf", 0), 5) << testing::PrintToString(text);
    const auto again = profile::write_string(*out, "Saver", "Conf", " 6");
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(profile::read_int(*again, "Saver", "Conf", 0), 6);
    EXPECT_EQ(again->size(), out->size()) << testing::PrintToString(text);
  }
}

}  // namespace
