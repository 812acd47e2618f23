#include "LinkCounters.h"

#include <iterator>

namespace velt {

namespace {

struct CounterField {
    std::atomic<uint32_t> AtomicLinkCounters::*live;
    uint32_t LinkCounters::*copy;
};

// Every counter once, outcomes before attempts: the order Snapshot loads them.
constexpr CounterField kFields[] = {
    {&AtomicLinkCounters::CrcErrors, &LinkCounters::CrcErrors},
    {&AtomicLinkCounters::NoReplies, &LinkCounters::NoReplies},
    {&AtomicLinkCounters::DiOk, &LinkCounters::DiOk},
    {&AtomicLinkCounters::DiFail, &LinkCounters::DiFail},
    {&AtomicLinkCounters::DoOk, &LinkCounters::DoOk},
    {&AtomicLinkCounters::DoFail, &LinkCounters::DoFail},
    {&AtomicLinkCounters::StateOk, &LinkCounters::StateOk},
    {&AtomicLinkCounters::StateFail, &LinkCounters::StateFail},
    {&AtomicLinkCounters::ParamOk, &LinkCounters::ParamOk},
    {&AtomicLinkCounters::ParamFail, &LinkCounters::ParamFail},
    {&AtomicLinkCounters::DiReads, &LinkCounters::DiReads},
    {&AtomicLinkCounters::DoRequests, &LinkCounters::DoRequests},
    {&AtomicLinkCounters::StateReads, &LinkCounters::StateReads},
    {&AtomicLinkCounters::ParamRequests, &LinkCounters::ParamRequests},
};

// A counter added to one of the two types and not to the table fails here.
static_assert(std::size(kFields) * sizeof(uint32_t) == sizeof(LinkCounters));
static_assert(std::size(kFields) * sizeof(std::atomic<uint32_t>) == sizeof(AtomicLinkCounters));

} // namespace

LinkCounters AtomicLinkCounters::Snapshot() const {
    LinkCounters copy;
    for (const CounterField& f : kFields)
        copy.*f.copy = (this->*f.live).load();
    return copy;
}

void AtomicLinkCounters::Zero() {
    for (const CounterField& f : kFields)
        (this->*f.live).store(0);
}

} // namespace velt
