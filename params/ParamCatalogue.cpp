// The catalogue's accessors and the word order of the 32-bit parameter pairs.
#include "params/ParamCatalogue.h"

namespace velt {

const ParamInfo* ParamTable(bool korean) {
    return korean ? ParamTableKo : ParamTableEn;
}

int32_t ParamKind(int n) {
    return ParamTableEn[n].kind;
}

bool ParamIsHalf32(int n) {
    return ParamTableEn[n].isHalf32 == 1;
}

bool ParamIsBits(int n) {
    return ParamTableEn[n].isBits == 1;
}

namespace {
constexpr int kHighFirstBegin = drive::ParamPositionIndexFirst;
constexpr int kHighFirstEnd = drive::ParamPositionIndexLast;

bool IsLowFirstRegister(int n) {
    return n == drive::PositionLowRegister || n == drive::PositionHighRegister ||
           n == drive::SetPositionLowRegister || n == drive::SetPositionHighRegister;
}

template <typename Word> int32_t Combine(int first, const Word* values) {
    if (values == nullptr || PairFirst(first) != first) return 0;
    const auto a = static_cast<uint16_t>(values[first]);
    const auto b = static_cast<uint16_t>(values[first + 1]);
    const uint32_t hi = PairOrderOf(first) == PairOrder::HighFirst ? a : b;
    const uint32_t lo = PairOrderOf(first) == PairOrder::HighFirst ? b : a;
    return static_cast<int32_t>((hi << 16) | lo);
}

template <typename Word> void Split(int first, int32_t v, Word* values) {
    if (values == nullptr || PairFirst(first) != first) return;
    const auto u = static_cast<uint32_t>(v);
    const auto hi = static_cast<Word>(static_cast<uint16_t>(u >> 16));
    const auto lo = static_cast<Word>(static_cast<uint16_t>(u & 0xFFFFu));
    const bool highFirst = PairOrderOf(first) == PairOrder::HighFirst;
    values[first] = highFirst ? hi : lo;
    values[first + 1] = highFirst ? lo : hi;
}
} // namespace

PairOrder PairOrderOf(int n) {
    if (n >= kHighFirstBegin && n <= kHighFirstEnd) return PairOrder::HighFirst;
    if (IsLowFirstRegister(n)) return PairOrder::LowFirst;
    return PairOrder::None;
}

int PairFirst(int n) {
    if (n >= kHighFirstBegin && n <= kHighFirstEnd) return kHighFirstBegin + (n - kHighFirstBegin) / 2 * 2;
    if (n == drive::PositionLowRegister || n == drive::PositionHighRegister)
        return drive::PositionLowRegister;
    if (n == drive::SetPositionLowRegister || n == drive::SetPositionHighRegister)
        return drive::SetPositionLowRegister;
    return -1;
}

int32_t CombinePair(int first, const int16_t* values) {
    return Combine(first, values);
}
int32_t CombinePair(int first, const uint16_t* values) {
    return Combine(first, values);
}
void SplitPair(int first, int32_t v, int16_t* values) {
    Split(first, v, values);
}
void SplitPair(int first, int32_t v, uint16_t* values) {
    Split(first, v, values);
}

} // namespace velt
