#pragma once
// The passages the two hose lines go through alike, written once: line 1
// (y 270) is laid out in ponpu_first by members 1 and 2, line 2 (y 890) in
// ponpu_second by members 2 and 3. Each passage is one runner's steps on its
// own counter; the codes are that runner's, so the runner is the code entry's
// person.

#include "drills/pump_truck/codes.hpp"
#include "drills/pump_truck/section.hpp"

namespace drills::pump_truck {

// One hose line: where it lies, the codes of the runner who lays out its
// nozzle end and takes the nozzle forward, and those of the runner who runs
// out its middle hose and joins the nozzle-end coupling.
template <PumpTruckCode NozzleRunner, PumpTruckCode Coupler>
struct HoseLineCodes {
  int y;
  // Nozzle runner.
  NozzleRunner first_length, last_length;  // the nozzle-end hose, three lengths
  NozzleRunner nozzle_in_hand;
  NozzleRunner hose_to_runner;         // the hose drawn on as the runner goes forward
  NozzleRunner first_coil, last_coil;  // the spare hose coiled, three steps
  NozzleRunner nozzle_laid;
  // Coupler.
  Coupler middle_hose;                    // the hose as the runner carries it out
  Coupler first_middle, last_middle;      // the middle hose, three lengths
  Coupler hose_to_coupling;               // from the middle coupling to the runner
  Coupler first_coupling, last_coupling;  // the nozzle-end coupling, piece by piece
};

inline constexpr HoseLineCodes<Crew1Code, Crew2Code> kLine1{
    .y = 270,
    .first_length = Crew1Code::Line1HoseTo5120,
    .last_length = Crew1Code::Line1HoseTo5820,
    .nozzle_in_hand = Crew1Code::Line1NozzleInHand,
    .hose_to_runner = Crew1Code::Line1HoseToRunnerWithNozzle,
    .first_coil = Crew1Code::Line1CoilAtRunner,
    .last_coil = Crew1Code::Line1CoilAt195,
    .nozzle_laid = Crew1Code::Line1NozzleLaid,
    .middle_hose = Crew2Code::Line1HoseToRunner,
    .first_middle = Crew2Code::Line1HoseTo3120,
    .last_middle = Crew2Code::Line1HoseTo3820,
    .hose_to_coupling = Crew2Code::Line1HoseFromMiddleToRunner,
    .first_coupling = Crew2Code::Line1NozzleCouplingRight,
    .last_coupling = Crew2Code::Line1NozzleCouplingJoined,
};

inline constexpr HoseLineCodes<Crew2Code, Crew3Code> kLine2{
    .y = 890,
    .first_length = Crew2Code::Line2HoseTo5120,
    .last_length = Crew2Code::Line2HoseTo5820,
    .nozzle_in_hand = Crew2Code::Line2NozzleInHand,
    .hose_to_runner = Crew2Code::Line2HoseToRunnerWithNozzle,
    .first_coil = Crew2Code::Line2CoilAtRunner,
    .last_coil = Crew2Code::Line2CoilAt805,
    .nozzle_laid = Crew2Code::Line2NozzleLaid,
    .middle_hose = Crew3Code::Line2HoseToRunner,
    .first_middle = Crew3Code::Line2HoseTo3120,
    .last_middle = Crew3Code::Line2HoseTo3820,
    .hose_to_coupling = Crew3Code::Line2HoseFromMiddleToRunner,
    .first_coupling = Crew3Code::Line2NozzleCouplingRight,
    .last_coupling = Crew3Code::Line2NozzleCouplingJoined,
};

// The nozzle runner, arriving facing down the line, unrolls the nozzle-end
// hose at x 4750, turns about and takes up the nozzle.
template <class N, class C>
void lay_nozzle_end(PonpuSection& s, const HoseLineCodes<N, C>& line) {
  const int p = CodeEntry<N>::slot;
  s.ido(p, 4750, line.y, 5, 4);
  s.hold_codes(p, line.first_length, line.last_length);
  s.ido(p, 4750, line.y, 4, 12);
  s.hold(p, 2);
  s.ido(p, 4750, line.y, 12, 4, line.nozzle_in_hand);
}

// The coupler carries the middle hose out to x 2750 and unrolls it.
template <class N, class C>
void run_out_middle_hose(PonpuSection& s, const HoseLineCodes<N, C>& line) {
  const int p = CodeEntry<C>::slot;
  s.ido(p, 2750, line.y, 4, 4, line.middle_hose);
  s.hold_codes(p, line.first_middle, line.last_middle);
}

// The coupler goes on to x 4680, faces the line and joins the nozzle-end coupling.
template <class N, class C>
void join_nozzle_coupling(PonpuSection& s, const HoseLineCodes<N, C>& line) {
  const int p = CodeEntry<C>::slot;
  s.ido(p, 4680, line.y, 4, 8, line.hose_to_coupling);
  s.hold_codes(p, line.first_coupling, line.last_coupling);
  s.ido(p, 4680, line.y, 8, 4);
}

// On "放水はじめ" the nozzle runner takes the nozzle forward to x 6250, looks
// back, coils the spare hose and lays the nozzle at the line's end.
template <class N, class C>
void take_nozzle_forward(PonpuSection& s, const HoseLineCodes<N, C>& line) {
  const int p = CodeEntry<N>::slot;
  s.ido(p, 6250, line.y, 4, 4, line.hose_to_runner);
  s.ido(p, 6250, line.y, 4, 12);
  s.hold(p, 4);
  s.ido(p, 6250, line.y, 12, 4);
  s.hold_codes(p, line.first_coil, line.last_coil);
  s.ido(p, 6320, line.y, 12, 4, line.nozzle_laid);
}

}  // namespace drills::pump_truck
