#include "export/TablePattern.h"

namespace velloxa {

bool MatchesTablePattern(const QString& pattern, const QString& qualifiedName)
{
    // Greedy with one step back to the last '*': linear for the patterns people write.
    qsizetype p = 0, n = 0, star = -1, resume = 0;
    const auto same = [&](qsizetype i, qsizetype j) {
        return pattern[i] == QLatin1Char('?') || pattern[i].toCaseFolded() == qualifiedName[j].toCaseFolded();
    };
    while (n < qualifiedName.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && same(p, n)) {
            ++p;
            ++n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

} // namespace velloxa
