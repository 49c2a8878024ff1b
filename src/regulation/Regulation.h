// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The regulation engine: the regulation state held by the main window, the PID
// corrector and its limits, the setpoint generators, the run record and the sampled
// loop itself. Qt-free: the loop reaches the window system only through LoopHost, tells
// observers of the run through RunEvents, and reaches the card only through
// AcquisitionCard.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "card/AcquisitionCard.h"
#include "common/CardScale.h"
#include "regulation/RunEvents.h"
#include "regulation/RunPacing.h"

namespace vantor {

class CorrectorLaw;

constexpr int kRecordEntries = 2001;
constexpr int kRecordSeries = 7;
// Entries 0..1900 of each series are drawn and analysed.
constexpr int kPlotEntries = 1901;
// Cycle n of a run goes to entry min(n, kRecordLastEntry).
constexpr int kRecordLastEntry = 1998;

// Series of the run record, in storage order.
enum RecordSeries : int {
  kSeriesSetpoint = 0,
  kSeriesFeedback = 1,
  kSeriesError = 2,
  kSeriesDTermRaw = 3,
  kSeriesPTerm = 4,
  kSeriesITerm = 5,
  kSeriesOrder = 6,
};

// Readings of the feedback below this level are taken as a lost contact and replaced by
// the previous sample.
inline constexpr long double kFeedbackFloorVolts = 0.2L;

// Where the feedback's reading stood in a cycle: inside the sensor's range; below the
// floor (the reading was ignored: the feedback stays where it was while the process may
// go on moving); at the converter's full scale (the feedback can rise no further).
enum class SensorLimit : std::uint8_t { None = 0, Floor = 1, FullScale = 2 };

// Status line texts of the main window's Label1.
inline constexpr const char* kRunningText = "Régulation en cours: pour arrêter,Fin";
inline constexpr const char* kStoppedText = "Régulation arrêtée: pour démarrer, Début";
inline constexpr const char* kNoSetpointText = "Entrer une consigne";
inline constexpr const char* kDivisionByZeroText = "Division par zéro en virgule flottante";

struct RegulationState {  // the main window's regulation state, zero-filled at creation
  // settings loaded at start-up (and changed by the settings window)
  std::int32_t kpmax = 0, kdmax = 0, kimax = 0;
  long double finalech = 0, valmoymini = 0, valmoymaxi = 0, amplimaxi = 0, ordremaxi = 0,
              ordremini = 0;
  // run
  std::string SetpointKind;
  // The setpoint's description as the window shows it ("Consigne: Echelon"), set with
  // the setpoint's kind; "Consigne:? " before the first choice.
  std::string SetpointCaption;
  std::int32_t StopRequested = 0;
  std::int32_t SamplePeriodMs = 0;
  long double Setpoint = 0;
  std::int32_t RecordPos = 0;
  // Seven series of kRecordEntries entries, series after series, in hundredths of a volt.
  std::array<std::int32_t, kRecordSeries * kRecordEntries> RunRecord{};
  std::int32_t RecordAt(int series, int k) const {
    return RunRecord[static_cast<std::size_t>(series * kRecordEntries + k)];
  }
  // The sensor limit of each recorded entry, beside the record.
  std::array<SensorLimit, kRecordEntries> FeedbackLimits{};
  // corrector
  long double Kp = 0, Kd = 0, Ki = 0;
  std::array<double, 9> SampleHistory{};  // most recent first
  long double Sample = 0, Feedback = 0, Error = 0, PrevError = 0, ErrorSum = 0, PTerm = 0,
              DTermRaw = 0, DTerm = 0, PrevDTerm = 0, ITerm = 0, Order = 0;
  SensorLimit FeedbackLimit = SensorLimit::None;  // of the last reading
  std::string LoopMode;
  // The law of the next runs when another than the loop mode's (not owned).
  CorrectorLaw* Law = nullptr;
  // setpoint parameters
  long double SetpointFrequency = 0, SetpointPeriod = 0, HalfPeriodCycles = 0, Mean = 0,
              Amplitude = 0, StepLevel = 0, StepLow = 0, GeneratorCounter = 0;
  // pacing of the last run (periods on the host's clock, late cycles)
  RunPacing Pacing;
};

struct GainFields {  // Kp, Kd, Ki texts
  std::string Edit1, Edit2, Edit3;
};
struct SetpointFields {  // frequency, step level, mean, amplitude
  std::string Edit4, Edit5, Edit6, Edit7;
};

// ---- corrector ----

// Reads and bounds Kp (Edit1, kpmax), Kd (Edit2, kdmax), Ki (Edit3, kimax) in that
// order. A gain above its bound takes the bound and its field is rewritten with it; a
// negative gain becomes 0 and its field "0". Throws VantorError on a text that does not
// convert; the gains read before it keep their new values and `f` holds the corrections
// made so far (write it back in both cases).
void ReadGains(RegulationState& s, GainFields& f);
// Clears the run memory: errors, error sum and the nine history samples. The derivative
// memory (PrevDTerm, DTerm) carries over from the previous run.
void ResetCorrector(RegulationState& s);
inline long double CountsToVolts(std::int32_t counts) {
  return InputCountsToVolts(counts);
}
// Sample, then Feedback as the mean of Sample and the nine history values; readings
// below 0.2 V are replaced by the previous sample. FeedbackLimit says whether the reading
// was at the floor or at the converter's full scale.
void ConditionFeedback(RegulationState& s, std::int32_t counts);
// Error, PTerm, DTermRaw, DTerm, ITerm and the limited Order of one cycle, the order
// given by the run's law (LawOfRun) or by `law`.
void ComputeOrder(RegulationState& s, long double setpoint);
void ComputeOrder(RegulationState& s, long double setpoint, CorrectorLaw& law);

// ---- setpoints ----

// Reads and bounds the fields of the chosen kind ("echelon": Edit5; periodic kinds:
// Edit4, Edit6, Edit7). Corrections are written into `f` as they are made. All or
// nothing on the state: the parameters change only when every field converted and the
// period could be formed; otherwise throws VantorError ("'%s' n'est pas une valeur en
// virgule flottante correcte", or kDivisionByZeroText for a frequency that ends at 0)
// and the previous parameters stay.
void ReadSetpointFields(RegulationState& s, SetpointFields& f);
// The cycle's setpoint; advances GeneratorCounter. "externe" selects channel 0 and
// converts (may throw VantorError from the card's bounded wait).
long double NextSetpoint(RegulationState& s, AcquisitionCard& card);

// ---- run record ----

// Entries 1..1999 of the seven series := 0 (entries 0 and 2000 are never written).
void ClearRecord(RegulationState& s);
// Advances RecordPos (held at 1998 once reached) and stores the seven values x 100,
// rounded halves to even, saturated to the 32-bit range.
void RecordSample(RegulationState& s);
// Hundredths of a volt of one value, as stored in the record.
std::int32_t ToHundredths(long double volts);

// Points drawn by PlotRecord (BuildRecordPlot, from the run shown: see Trial.h).
struct RecordPlot {
  std::array<long double, kPlotEntries> X{};
  std::array<long double, kPlotEntries> Setpoint{};
  std::array<long double, kPlotEntries> Feedback{};
  bool HasMeanLine = false;
  long double MeanLine = 0;
};

// ---- setpoint buttons ----

// Effect of a setpoint button (1 "Echelon", 2 "Sinus.", 3 "Triangle", 4 "Carré",
// 10 "externe"). The shown panel hides the two others.
enum class SetpointPanel { Panel14, Panel11, Panel17 };
struct SetpointButtonResult {
  std::string Panel15Caption;
  SetpointPanel Shown;
  std::optional<std::string> Edit5, Edit4;  // field texts to write, when set
};
// Throws std::invalid_argument for a button number that is not a setpoint button.
SetpointButtonResult PressSetpointButton(RegulationState& s, AcquisitionCard& card, int button);

// ---- the run ----

// How the run reaches the window system: messages, the setpoint fields, the commands a
// run disables, the status line, the gauges, the window's event turn and the redraw of
// the record. What else follows a run listens to RunEvents.
class LoopHost {
 public:
  virtual ~LoopHost() = default;
  virtual void BeepAndMessage(const std::string& text) = 0;     // "Entrer une consigne"
  virtual SetpointFields GetSetpointFields() = 0;               // texts of Edit4..Edit7
  virtual void SetSetpointFields(const SetpointFields& f) = 0;  // corrected texts
  // Panel4, Panel5, menus fichier1, analyse1, boucle1, Mthodederglage1, Aide1, Button5
  virtual void SetRunControlsEnabled(bool enabled) = 0;
  virtual void SetStatusText(const std::string& label1) = 0;  // Label1
  virtual void SetGauges(std::int32_t setpointHundredths, std::int32_t feedbackHundredths) = 0;
  virtual void ProcessMessagesOnce() = 0;  // "Fin" etc. run here
  virtual void PlotRecord() = 0;
  // The clock the cycles' periods are measured on, in seconds: the machine's steady
  // clock unless the host runs on another time (the headless tool's virtual time).
  virtual double Seconds();
  // Whether the cycles run with real-time scheduling and locked memory when the system
  // permits it (the workstations, the headless tool in real time); tests say no.
  virtual bool RealTimeWanted() const { return false; }
};

// The whole run, from the check of the setpoint kind to the redraw of the record.
// The cycles run under RealTimeScheduling when the host wants it, and s.Pacing counts
// the late ones.
// The setpoint fields are read, bounded and written back before anything is disabled
// or cleared: a bad field throws with the window usable, Label1 unchanged and the
// previous record intact. Returns when the run has ended. When the card fails during a
// cycle (a bounded wait reached), the run is ended as "Fin" ends it (Order 0, output 2
// at 2048, Label1 stopped, controls enabled, record drawn, StopRequested 1) and the
// card's error is rethrown; the card stays failed (AcquisitionCard::Failed) until the
// next run resets it before its first cycle. A card whose reset fails starts no run:
// nothing is disabled or cleared, the outputs are put at rest and VantorError says why.
// The run's events go to `events`: started once the commands are disabled, each cycle
// after the gauges, ended once the commands are enabled again, before the record is
// drawn. The law is LawOfRun(s), chosen at the start.
void RunRegulation(RegulationState& s, AcquisitionCard& card, LoopHost& host,
                   const RunEvents& events);
void RunRegulation(RegulationState& s, AcquisitionCard& card, LoopHost& host);

}  // namespace vantor
