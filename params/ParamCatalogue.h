#pragma once
// The parameter catalogue: one record per holding register of the drive, in
// Korean and in English. Constant data, any thread. A reader asks for the
// language it shows; the structural fields (kind and form flags) are the same
// in both and have language-free accessors.
#include "link/DriveMap.h"

#include <cstdint>

namespace velt {

// One record for each holding register of the drive (drive::ParamCount).
struct ParamInfo {
    int32_t number;   // equal to the record's position
    int32_t kind;     // 0 = not in use; 1, 3, 4 = in use (treated alike)
    int32_t isHalf32; // 1 = one half of a signed 32-bit pair
    int32_t isBits;   // 1 = bit flags, edited with the bit dialog
    const char* name; // UTF-8
    const char* help; // UTF-8, lines separated by "\r\n"
};

extern const ParamInfo ParamTableKo[drive::ParamCount];
extern const ParamInfo ParamTableEn[drive::ParamCount];

// The catalogue in one language, for names and help texts.
const ParamInfo* ParamTable(bool korean);

// The structural fields of parameter n (0 .. drive::ParamCount - 1).
int32_t ParamKind(int n);  // 0 = not in use
bool ParamIsHalf32(int n); // one half of a signed 32-bit pair
bool ParamIsBits(int n);   // bit flags, edited with the bit dialog

// 32-bit pairs. The position indexes keep the high word first; the pairs of
// the command block (RUN target, set position) keep the low word first. This
// is the only place that knows it.
enum class PairOrder { None, HighFirst, LowFirst };

// Order of the pair that register n belongs to (None outside the pairs).
PairOrder PairOrderOf(int n);
// First (lower-numbered) register of the pair containing n, or -1.
int PairFirst(int n);
// The signed 32-bit value of the pair whose first register is `first`,
// from 144 16-bit register values.
int32_t CombinePair(int first, const int16_t* values);
int32_t CombinePair(int first, const uint16_t* values);
// Splits v into the two registers of the pair whose first register is `first`.
void SplitPair(int first, int32_t v, int16_t* values);
void SplitPair(int first, int32_t v, uint16_t* values);
// CombinePair gives 0 and SplitPair writes nothing when `first` is not the
// first register of a pair.

} // namespace velt
