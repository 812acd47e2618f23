#include "scope/TriggerBoxes.h"

#include "base/LocalText.h"
#include "scope/ScopeCursors.h"
#include "scope/ScopeTexts.h"

#include <algorithm>

namespace velt {

namespace {
constexpr double kPercent = 100.0;

const LocalText& FieldName(TriggerBox box) {
    return box == TriggerBox::Level ? kLevelLabel : kHoldoffLabel;
}

// The box's value within lowest .. highest, or the one in force with the
// refusal added.
double ReadBox(const std::string& text, TriggerBox box, double lowest, double highest, double inForce,
               std::vector<TriggerRefusal>* refused) {
    AxisProblem problem = AxisProblem::NotANumber;
    if (const std::optional<double> v = ReadNumberBox(text, lowest, highest, &problem)) return *v;
    refused->push_back({box, problem, text, inForce});
    return inForce;
}
} // namespace

TriggerBoxReading ReadTriggerValues(const TriggerBoxTexts& boxes, const TriggerSettings& inForce) {
    TriggerBoxReading r;
    r.Settings = inForce;
    r.Settings.Level =
        ReadBox(boxes.Level, TriggerBox::Level, -kAxisValueLimit, kAxisValueLimit, inForce.Level, &r.Refused);
    r.PreTriggerPercent = std::clamp(ReadLeadingDecimal(boxes.PreTriggerPercent), 0.0, kPercent);
    r.Settings.PreTrigger = r.PreTriggerPercent / kPercent;
    r.Settings.HoldoffSeconds =
        ReadBox(boxes.Holdoff, TriggerBox::Holdoff, 0.0, kLongestHoldoff, inForce.HoldoffSeconds, &r.Refused);
    return r;
}

std::string TriggerRefusalText(const std::vector<TriggerRefusal>& refused, bool korean) {
    std::string text;
    const auto line = [&](const std::string& l) {
        if (!text.empty()) text += "\r\n";
        text += l;
    };
    for (const TriggerRefusal& r : refused) {
        const LocalText& problem = r.Problem != AxisProblem::OutOfRange ? kAxisNotANumber
                                   : r.Box == TriggerBox::Level         ? kAxisValueOutOfRange
                                                                        : kHoldoffOutOfRange;
        line(
            FillText(problem.Pick(korean), {{"{field}", FieldName(r.Box).Pick(korean)}, {"{text}", r.Text}}));
    }
    for (const TriggerRefusal& r : refused) {
        const LocalText& stays = r.Box == TriggerBox::Level ? kLevelStays : kHoldoffStays;
        line(FillText(stays.Pick(korean), {{"{value}", ReadoutNumber(r.Kept)}}));
    }
    return text;
}

} // namespace velt
