#pragma once
// A user text in both languages. Every text the user sees is one of these,
// picked once by the language chosen at start-up.

namespace velt {

struct LocalText {
    const char* Ko;
    const char* En;
    const char* Pick(bool korean) const { return korean ? Ko : En; }
};

} // namespace velt
