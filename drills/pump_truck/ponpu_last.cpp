#include "drills/pump_truck/pump_truck.hpp"
#include "drills/pump_truck/section.hpp"

namespace drills::pump_truck {
namespace {

// Each member's report at inspection, in the order they report.
constexpr const char* kReports[5] = {nullptr, "１番員「１番員、異常無し」",
                                     "２番員「２番員、異常無し」", "３番員「３番員、異常無し」",
                                     "４番員「４番員、異常無し」"};

// A member's place on the line: x = 500, 70 units apart upwards from y = 430.
constexpr int line_x = 500;
constexpr int line_y(int p) { return 360 + 70 * p; }

}  // namespace

void ponpu_last(stage::FrameTable& table, int& k) {
  ponpu_record(table, k, 1000, "指揮者「点検、報告」");

  PonpuSection s(table, k);
  for (int p = 1; p <= 4; ++p) {
    if (p > 1) {
      // The next member turns to report as the previous one faces front again.
      s.sync({p - 1, p});
      s.ido(p - 1, line_x, line_y(p - 1), 2, 4);
    }
    s.ido(p, line_x, line_y(p), 4, 2);
    s.hold(p, 2);
    s.say(kReports[p], {{p}});
    s.say("指揮者「よし」", {{p}});
  }
  s.ido(4, line_x, line_y(4), 2, 4);
  s.sync_all();
  k = s.counter(0);

  ponpu_record(table, k, 1000);
  ponpu_record(table, k, 500).persons(0).pose = pose::kE;  // facing the front
  ponpu_record(table, k, 3000, "指揮者「ソラミ町消防隊、ポンプ車操法を終了しました。」");
  ponpu_record(table, k, 1000);
  ponpu_record(table, k, 500).persons(0).pose = pose::kSW;  // back to the crew
  ponpu_record(table, k, 3000, "指揮者「わかれ」");
  // Dismissed: the members turn away and back, then all stand.
  stage::FrameRecord& away = ponpu_record(table, k, 3000);
  for (int p = 1; p <= 4; ++p) away.persons(p).pose = pose::kNE;
  stage::FrameRecord& back = ponpu_record(table, k, 3000);
  for (int p = 1; p <= 4; ++p) back.persons(p).pose = pose::kE;
  ponpu_record(table, k, 3000);
}

}  // namespace drills::pump_truck
